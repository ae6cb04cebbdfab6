// Start-up for a static-pie whose C library applies its relocations but never write-protects
// them, as musl's does: without this, the data that RELRO promises read-only stays writable
// for the whole run. A dynamic loader, and glibc's static start-up, do the same.
#include <elf.h>
#include <link.h>
#include <stdint.h>
#include <sys/auxv.h>
#include <sys/mman.h>

// The linker's name for our own ELF header.
extern "C" const ElfW(Ehdr)
    __ehdr_start; // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

namespace {

// Makes the whole pages of the RELRO segment read-only, before main runs.
__attribute__((constructor)) void protect_relro()
{
	const uintptr_t self = reinterpret_cast<uintptr_t>(&__ehdr_start);
	const auto *ph = reinterpret_cast<const ElfW(Phdr) *>(self + __ehdr_start.e_phoff);
	uintptr_t base = 0; // what the load added to every address the linker gave
	for (int i = 0; i < __ehdr_start.e_phnum; i++)
		if (ph[i].p_type == PT_LOAD && ph[i].p_offset == 0)
			base = self - ph[i].p_vaddr;
	const uintptr_t page = getauxval(AT_PAGESZ);
	for (int i = 0; i < __ehdr_start.e_phnum; i++) {
		if (ph[i].p_type != PT_GNU_RELRO)
			continue;
		const uintptr_t start = (base + ph[i].p_vaddr) & ~(page - 1);
		const uintptr_t end = (base + ph[i].p_vaddr + ph[i].p_memsz) & ~(page - 1);
		// Hardening, not correctness: a system that refuses leaves it as it was.
		if (end > start)
			(void)mprotect(reinterpret_cast<void *>(start), end - start, PROT_READ);
	}
}

} // namespace
