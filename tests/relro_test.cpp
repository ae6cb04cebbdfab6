// What the binary's RELRO segment promises holds in the running program: once relocated, that
// data is read-only.
#include "run.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Segments {
	uint64_t first = 0; // the link-time address of the file's first byte
	uint64_t relro_start = 0;
	uint64_t relro_end = 0;
};

template <typename Ehdr, typename Phdr> Segments read_segments(const std::string &elf)
{
	Segments s;
	Ehdr eh{};
	std::memcpy(&eh, elf.data(), sizeof eh);
	for (unsigned i = 0; i < eh.e_phnum; i++) {
		Phdr ph{};
		std::memcpy(&ph, elf.data() + eh.e_phoff + (i * eh.e_phentsize), sizeof ph);
		if (ph.p_type == PT_LOAD && ph.p_offset == 0)
			s.first = ph.p_vaddr;
		if (ph.p_type == PT_GNU_RELRO) {
			s.relro_start = ph.p_vaddr;
			s.relro_end = ph.p_vaddr + ph.p_memsz;
		}
	}
	return s;
}

// The program headers of the binary at path that say where RELRO lies.
Segments segments(const std::string &path)
{
	std::ifstream f(path, std::ios::binary);
	const std::string elf((std::istreambuf_iterator<char>(f)),
	                      std::istreambuf_iterator<char>());
	if (elf.size() > EI_CLASS && elf[EI_CLASS] == ELFCLASS64)
		return read_segments<Elf64_Ehdr, Elf64_Phdr>(elf);
	return read_segments<Elf32_Ehdr, Elf32_Phdr>(elf);
}

// The process's memory map while it runs: its standard output is a pipe already full, so it
// waits in its write until the map is read.
std::string running_maps(const std::string &bin)
{
	int fds[2];
	if (pipe(fds) != 0)
		throw std::runtime_error("pipe");
	const int flags = fcntl(fds[1], F_GETFL);
	(void)fcntl(fds[1], F_SETFL, flags | O_NONBLOCK);
	const std::string block(4096, 'x');
	while (write(fds[1], block.data(), block.size()) > 0) {
	}
	(void)fcntl(fds[1], F_SETFL, flags);
	const pid_t pid = fork();
	if (pid == 0) {
		dup2(fds[1], 1);
		close(fds[0]);
		execl(bin.c_str(), "randrange", "0", "1", nullptr);
		_exit(127);
	}
	close(fds[1]);
	const std::string proc = "/proc/" + std::to_string(pid);
	const std::string exe = std::filesystem::canonical(bin).string();
	std::string maps;
	for (int tries = 0; tries < 10000 && maps.empty(); tries++) {
		std::error_code ec;
		std::ifstream stat(proc + "/stat");
		const std::string state((std::istreambuf_iterator<char>(stat)),
		                        std::istreambuf_iterator<char>());
		const size_t paren = state.rfind(')');
		const bool sleeping = paren != std::string::npos && state.size() > paren + 2 &&
		    state[paren + 2] == 'S';
		if (sleeping && std::filesystem::read_symlink(proc + "/exe", ec).string() == exe) {
			std::ifstream m(proc + "/maps");
			maps.assign(std::istreambuf_iterator<char>(m),
			            std::istreambuf_iterator<char>());
		} else {
			std::this_thread::sleep_for(std::chrono::milliseconds(1));
		}
	}
	char buf[65536];
	while (read(fds[0], buf, sizeof buf) > 0) {
	}
	close(fds[0]);
	int status = 0;
	waitpid(pid, &status, 0);
	return maps;
}

// One line of a memory map.
struct Mapping {
	uint64_t lo = 0;
	uint64_t hi = 0;
	std::string perms;
	uint64_t offset = 0;
	std::string path;
};

std::vector<Mapping> parse_maps(const std::string &maps)
{
	std::vector<Mapping> v;
	std::istringstream in(maps);
	for (std::string text; std::getline(in, text);) {
		std::istringstream fields(text);
		std::string range;
		std::string offset;
		std::string device;
		std::string inode;
		Mapping m;
		fields >> range >> m.perms >> offset >> device >> inode;
		std::getline(fields >> std::ws, m.path);
		const size_t dash = range.find('-');
		m.lo = std::stoull(range.substr(0, dash), nullptr, 16);
		m.hi = std::stoull(range.substr(dash + 1), nullptr, 16);
		m.offset = std::stoull(offset, nullptr, 16);
		v.push_back(m);
	}
	return v;
}

TEST(Elf, RelocatedDataIsReadOnly)
{
	if (emulated())
		RANDRANGE_SKIP("under an emulator the memory map is the emulator's");
	const Segments s = segments(RANDRANGE_BIN);
	ASSERT_LT(s.relro_start, s.relro_end) << "no RELRO segment in " << RANDRANGE_BIN;
	const std::string maps = running_maps(RANDRANGE_BIN);
	ASSERT_FALSE(maps.empty()) << "never saw the program waiting in its write";

	// Where the file's first byte was loaded, and so the whole pages that RELRO covers.
	const std::string exe = std::filesystem::canonical(RANDRANGE_BIN).string();
	const auto page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
	const std::vector<Mapping> mappings = parse_maps(maps);
	const auto loaded =
	    std::find_if(mappings.begin(), mappings.end(),
	                 [&exe](const Mapping &m) { return m.offset == 0 && m.path == exe; });
	ASSERT_NE(loaded, mappings.end()) << maps;
	const uint64_t base = loaded->lo - (s.first & ~(page - 1));
	const uint64_t start = (base + s.relro_start) & ~(page - 1);
	const uint64_t end = (base + s.relro_end) & ~(page - 1);
	ASSERT_LT(start, end) << "RELRO covers no whole page of " << page << " bytes";

	uint64_t covered = 0;
	for (const Mapping &m : mappings) {
		if (m.hi <= start || m.lo >= end)
			continue;
		EXPECT_EQ(m.perms[1], '-') << "writable: " << std::hex << m.lo << "-" << m.hi;
		covered += std::min(m.hi, end) - std::max(m.lo, start);
	}
	EXPECT_EQ(covered, end - start) << maps;
}

} // namespace
