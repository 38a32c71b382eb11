#pragma once

// A virtual X server (Xvfb) of the test's own: no window manager, no other client, nothing named
// on it but what the server itself names. Stopped again when the object goes.

#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zvtest
{
class PrivateXServer
{
  public:
    /// Starts a server on the first free display from :100 up, never :0: a process that finds no
    /// DISPLAY falls back to :0, and must not attach to a server that goes away when a test ends.
    /// `extraArguments` go to Xvfb as they are.
    explicit PrivateXServer(std::vector<std::string> extraArguments = {})
    {
        for (int number = 100; number < 200 && server <= 0; ++number)
            start(number, extraArguments);
    }

    ~PrivateXServer()
    {
        if (server > 0)
        {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
    }

    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    /// Whether the server runs and accepts connections.
    bool running() const { return server > 0; }

    /// The display name to connect to (":N"); empty when no server could be started.
    const std::string& displayName() const { return name; }

  private:
    void start(int number, const std::vector<std::string>& extraArguments)
    {
        if (access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0)
            return;
        int fds[2];
        if (pipe(fds) != 0)
            return;

        const std::string display = ":" + std::to_string(number);
        const std::string fd = std::to_string(fds[1]);
        std::vector<std::string> arguments = {"Xvfb", display,      "-displayfd", fd,   "-screen",
                                              "0",    "800x600x24", "-nolisten",  "tcp"};
        arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);

        const pid_t child = fork();
        if (child == 0)
        {
            close(fds[0]);
            // The server must not outlive the tests, nor hold their output open.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            execvp("Xvfb", argv.data());
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes the number of its display once it accepts connections; nothing means it
        // could not take this one.
        std::string ready;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            ready += c;
        close(fds[0]);
        if (ready.empty())
        {
            if (child > 0)
                waitpid(child, nullptr, 0);
            return;
        }
        server = child;
        name = ":" + ready;
    }

    pid_t server = -1;
    std::string name;
};
} // namespace zvtest
