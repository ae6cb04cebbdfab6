#include "run.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<char *> pointers(const std::vector<std::string> &v)
{
	std::vector<char *> p(v.size() + 1, nullptr);
	std::transform(v.begin(), v.end(), p.begin(),
	               [](const std::string &s) { return const_cast<char *>(s.c_str()); });
	return p;
}

void check(bool ok, const char *what)
{
	if (!ok)
		throw std::runtime_error(what);
}

// Reads both pipes to their ends, whichever the child fills first.
void drain(int out, int err, Result &r)
{
	pollfd fds[] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
	std::string *dest[] = {&r.out, &r.err};
	int left = (out >= 0) + (err >= 0);
	while (left > 0) {
		if (poll(fds, 2, -1) < 0) {
			check(errno == EINTR, "poll");
			continue;
		}
		for (int i = 0; i < 2; i++) {
			if (fds[i].fd < 0 || fds[i].revents == 0)
				continue;
			char buf[4096];
			const ssize_t n = read(fds[i].fd, buf, sizeof buf);
			if (n > 0) {
				dest[i]->append(buf, static_cast<size_t>(n));
			} else {
				close(fds[i].fd);
				fds[i].fd = -1;
				left--;
			}
		}
	}
}

} // namespace

Result run(const Invocation &inv)
{
	auto argv = pointers(inv.argv);
	auto envp = inv.env ? pointers(*inv.env) : std::vector<char *>();
	char **env = inv.env ? envp.data() : environ;

	int out[2];
	int err[2];
	check(pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0, "pipe");
	const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
	check(full >= 0, "open /dev/full");
	if (inv.out == Out::broken)
		close(out[0]); // no reader: the write end then fails with EPIPE

	const pid_t pid = fork();
	check(pid >= 0, "fork");
	if (pid == 0) {
		if (inv.close_stdin)
			close(0);
		if (inv.out == Out::closed)
			close(1);
		else
			dup2(inv.out == Out::full ? full : out[1], 1);
		dup2(err[1], 2);
		// An ignored signal stays ignored across exec.
		if (inv.out == Out::broken)
			(void)signal(SIGPIPE, SIG_IGN);
		if (!inv.dir.empty() && chdir(inv.dir.c_str()) != 0)
			_exit(126);
		execve(inv.path.c_str(), argv.data(), env);
		_exit(127);
	}
	close(full);
	close(out[1]);
	close(err[1]);

	Result r;
	drain(inv.out == Out::broken ? -1 : out[0], err[0], r);
	int status = 0;
	check(waitpid(pid, &status, 0) == pid, "waitpid");
	r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
	return r;
}

void PrintTo(const Result &r, std::ostream *os)
{
	*os << "{out \"" << r.out << "\", err \"" << r.err << "\", status " << r.status << "}";
}

Result run(const std::vector<std::string> &argv)
{
	return run(Invocation{argv});
}

Result usage(const std::string &name)
{
	return {"", "usage: " + name + " <begin> <end>\n", 255};
}

std::string line(std::time_t t, int begin, int end)
{
	srandom(static_cast<unsigned>(t));
	return "random " + std::to_string(begin + random() % (end - begin)) + "\n";
}

Result timed(const Invocation &inv, std::time_t *t)
{
	Result r;
	for (int tries = 0; tries < 5; tries++) {
		const std::time_t before = std::time(nullptr);
		r = run(inv);
		*t = std::time(nullptr);
		if (before == *t)
			break;
	}
	return r;
}
