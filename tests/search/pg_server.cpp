// The test PostgreSQL server: see pg_server.h.
//
// The test process forks a watchdog, which does all the work: initdb, the server (its own
// child, so that no other process can be mistaken for it), the database, and at the end the
// shutdown and the removal of the folder. The watchdog reports "OK" or the reason of a failure
// through one pipe and waits for the other pipe to close: the test process closes it when the
// tests end, or the kernel does when the test process dies.
#include "pg_server.h"

#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <thread>
#include <vector>

namespace quarrymink::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kPort = 5432;  // names the socket in the private folder; no TCP port is opened

struct ServerState {
    bool tried = false;
    pid_t watchdog = -1;
    int controlFd = -1;
    std::string conninfo;
    std::string reason;
};

std::map<int, ServerState> states;
std::optional<PgInstallation> installation;  // the system's when empty

std::string FindBinDir() {
    std::vector<fs::path> candidates;
    if (const char* env = std::getenv("QM_PG_BINDIR"); env && *env) candidates.emplace_back(env);
    std::error_code ec;
    std::vector<fs::path> installed;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec))
        installed.push_back(entry.path() / "bin");
    // The newest version first: "15" before "13", "16" before "9.6".
    std::sort(installed.begin(), installed.end(), [](const fs::path& a, const fs::path& b) {
        return std::atof(a.parent_path().filename().c_str()) > std::atof(b.parent_path().filename().c_str());
    });
    candidates.insert(candidates.end(), installed.begin(), installed.end());
    for (const fs::path& dir : candidates) {
        if (access((dir / "initdb").c_str(), X_OK) == 0 && access((dir / "postgres").c_str(), X_OK) == 0)
            return dir.string();
    }
    return {};
}

// Links every entry of from into the folder to, but for the one named skip.
void LinkEntries(const fs::path& from, const fs::path& to, const std::string& skip, std::error_code& ec) {
    fs::create_directories(to, ec);
    for (const auto& entry : fs::directory_iterator(from, ec)) {
        if (entry.path().filename() == skip) continue;
        if (!fs::exists(to / entry.path().filename()))
            fs::create_symlink(entry.path(), to / entry.path().filename(), ec);
        if (ec) return;
    }
}

// Copies a file into a folder, in place of a link to the system's copy of it.
void CopyInto(const fs::path& file, const fs::path& folder, std::error_code& ec) {
    fs::remove(folder / file.filename(), ec);
    fs::copy_file(file, folder / file.filename(), ec);
}

// The private copy of the installation under root (see pg_server.h); its bin folder, or an
// empty text and the reason.
std::string CopyInstallation(const PgInstallation& from, const fs::path& root, std::string& reason) {
    const auto inside = [&](const std::string& dir) { return root / fs::path(dir).relative_path(); };
    const fs::path bin = inside(from.bindir), share = inside(from.sharedir), lib = inside(from.pkglibdir);
    std::error_code ec;
    fs::create_directories(bin, ec);
    for (const char* program : {"initdb", "postgres"})
        if (!ec) fs::copy_file(fs::path(from.bindir) / program, bin / program, ec);
    if (!ec) LinkEntries(from.sharedir, share, "extension", ec);
    if (!ec) LinkEntries(fs::path(from.sharedir) / "extension", share / "extension", {}, ec);
    if (!ec) LinkEntries(from.pkglibdir, lib, {}, ec);
    for (const std::string& file : from.libraries)
        if (!ec) CopyInto(file, lib, ec);
    for (const std::string& file : from.extensionFiles)
        if (!ec) CopyInto(file, share / "extension", ec);
    // The server may run as another user: everything readable, folders passable.
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_symlink()) continue;
        const auto extra = it->is_directory() ? fs::perms::group_read | fs::perms::group_exec |
                                                    fs::perms::others_read | fs::perms::others_exec
                                              : fs::perms::group_read | fs::perms::others_read;
        fs::permissions(it->path(), extra, fs::perm_options::add, ec);
    }
    if (!ec) fs::permissions(root, fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add, ec);
    if (ec) {
        reason = "could not copy the server's installation: " + ec.message();
        return {};
    }
    return bin.string();
}

std::string LogTail(const std::string& path) {
    std::ifstream in(path);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    return text.size() > 1500 ? "..." + text.substr(text.size() - 1500) : text;
}

struct RunAs {
    bool drop = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

// Starts a program as the server's user with its output in the log; the child's pid.
pid_t Spawn(const RunAs& user, const std::string& folder, const std::vector<std::string>& args,
            const std::string& log) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    char env0[] = "LC_ALL=C", env1[] = "LANG=C", env2[] = "PATH=/usr/bin:/bin", env3[] = "TZ=UTC";
    char* envp[] = {env0, env1, env2, env3, nullptr};
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    const int in = open("/dev/null", O_RDONLY);
    if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
    }
    if (in >= 0) dup2(in, 0);
    if (user.drop && (setgroups(0, nullptr) != 0 || setgid(user.gid) != 0 || setuid(user.uid) != 0))
        _exit(126);
    // Should the watchdog itself be killed, the server stops at once rather than linger.
    prctl(PR_SET_PDEATHSIG, SIGQUIT);
    if (chdir(folder.c_str()) != 0) _exit(126);
    execve(argv[0], argv.data(), envp);
    _exit(127);
}

bool WaitExit(pid_t pid, int seconds, int* status) {
    for (int i = 0; i < seconds * 20; ++i) {
        const pid_t r = waitpid(pid, status, WNOHANG);
        if (r == pid || r < 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Reports are shorter than PIPE_BUF (the log's tail is cut to 1500 bytes): one write to the
// pipe writes them whole.
void WriteAll(int fd, const std::string& text) {
    [[maybe_unused]] const ssize_t written = write(fd, text.data(), text.size());
}

// The watchdog's work. Writes "OK" or "ERR <reason>" to report, then waits for control to close.
[[noreturn]] void Watchdog(int control, int report, const std::string& bin, const RunAs& user,
                           const std::string& folder) {
    setsid();  // outlives a signal to the test's process group, to clean up after it
    prctl(PR_SET_NAME, "qm-pg-watchdog");
    const std::string data = folder + "/data", log = folder + "/server.log";
    pid_t server = -1;
    const auto finish = [&](const std::string& error) {
        if (!error.empty()) {
            WriteAll(report, "ERR " + error);
            close(report);
        }
        if (error.empty()) {
            char byte;
            while (read(control, &byte, 1) > 0) {
            }
        }
        if (server > 0) {
            int status = 0;
            kill(server, SIGINT);  // fast shutdown
            if (!WaitExit(server, 20, &status)) {
                kill(server, SIGKILL);
                waitpid(server, &status, 0);
            }
        }
        std::error_code ec;
        fs::remove_all(folder, ec);
        _exit(0);
    };

    int status = 0;
    const pid_t init = Spawn(
        user, folder,
        {bin + "/initdb", "-D", data, "-A", "trust", "-U", "qm", "-E", "UTF8", "--locale=C", "-N"}, log);
    if (!WaitExit(init, 120, &status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        finish("initdb failed:\n" + LogTail(log));

    server = Spawn(user, folder,
                   {bin + "/postgres", "-D", data, "-k", folder, "-p", std::to_string(kPort), "-c",
                    "listen_addresses=", "-c", "fsync=off", "-c", "synchronous_commit=off", "-c",
                    "full_page_writes=off"},
                   log);
    const std::string admin =
        "host=" + folder + " port=" + std::to_string(kPort) + " user=qm dbname=postgres";
    bool ready = false;
    for (int i = 0; i < 600 && !ready; ++i) {
        if (waitpid(server, &status, WNOHANG) == server) {
            server = -1;
            finish("the server stopped at start-up:\n" + LogTail(log));
        }
        ready = PQping(admin.c_str()) == PQPING_OK;
        if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!ready) finish("the server did not start within 30 seconds:\n" + LogTail(log));

    PGconn* conn = PQconnectdb(admin.c_str());
    PGresult* r = PQexec(conn, "CREATE DATABASE qmtest");
    const bool created = PQresultStatus(r) == PGRES_COMMAND_OK;
    const std::string error = PQerrorMessage(conn);
    PQclear(r);
    PQfinish(conn);
    if (!created) finish("CREATE DATABASE failed: " + error);

    WriteAll(report, "OK");
    close(report);
    finish({});
    _exit(0);
}

void Start(ServerState& state) {
    std::string bin = installation ? installation->bindir : FindBinDir();
    if (bin.empty()) {
        state.reason = "no initdb and postgres under $QM_PG_BINDIR or /usr/lib/postgresql/*/bin";
        return;
    }
    RunAs user;
    if (geteuid() == 0) {
        // PostgreSQL refuses to run as root.
        const passwd* pw = getpwnam("postgres");
        if (!pw) pw = getpwnam("nobody");
        if (!pw) {
            state.reason = "running as root, and neither the user postgres nor nobody exists";
            return;
        }
        user = {true, pw->pw_uid, pw->pw_gid};
    }
    char pattern[] = "/tmp/qm-pg-XXXXXX";
    if (!mkdtemp(pattern)) {
        state.reason = "could not create a temporary folder";
        return;
    }
    const std::string folder = pattern;
    if (user.drop && chown(folder.c_str(), user.uid, user.gid) != 0) {
        state.reason = "could not hand the temporary folder to the server's user";
        rmdir(folder.c_str());
        return;
    }
    if (installation) {
        bin = CopyInstallation(*installation, folder + "/install", state.reason);
        if (bin.empty()) {
            fs::remove_all(folder);
            return;
        }
    }
    int control[2], report[2];
    if (pipe(control) != 0 || pipe(report) != 0) {
        state.reason = "could not create pipes";
        fs::remove_all(folder);
        return;
    }
    // The server must not inherit the pipes: it would hold them open after the watchdog is done.
    for (const int fd : {control[0], control[1], report[0], report[1]}) fcntl(fd, F_SETFD, FD_CLOEXEC);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(control[1]);
        close(report[0]);
        Watchdog(control[0], report[1], bin, user, folder);
    }
    close(control[0]);
    close(report[1]);
    if (pid < 0) {
        close(control[1]);
        close(report[0]);
        state.reason = "could not fork";
        return;
    }
    state.watchdog = pid;
    state.controlFd = control[1];
    std::string answer;
    char buffer[512];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(n));
    close(report[0]);
    if (answer == "OK") {
        state.conninfo = "host=" + folder + " port=" + std::to_string(kPort) + " user=qm dbname=qmtest";
    } else {
        state.reason = answer.rfind("ERR ", 0) == 0 ? answer.substr(4) : "the watchdog gave no answer";
        close(state.controlFd);
        state.controlFd = -1;
        waitpid(state.watchdog, nullptr, 0);
        state.watchdog = -1;
    }
}

void Stop() {
    // Every server is told first, so that they shut down together.
    for (auto& [n, state] : states)
        if (state.controlFd >= 0) {
            close(state.controlFd);
            state.controlFd = -1;
        }
    for (auto& [n, state] : states) {
        if (state.watchdog > 0) {
            waitpid(state.watchdog, nullptr, 0);
            state.watchdog = -1;
        }
        state.conninfo.clear();
    }
}

class PgServerEnvironment : public ::testing::Environment {
public:
    void TearDown() override { Stop(); }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new PgServerEnvironment);

}  // namespace

const char* PgConninfo(int server) {
    ServerState& state = states[server];
    if (!state.tried) {
        state.tried = true;
        Start(state);
    }
    return state.conninfo.empty() ? nullptr : state.conninfo.c_str();
}

const std::string& PgUnavailableReason() {
    for (const auto& [n, state] : states)
        if (!state.reason.empty()) return state.reason;
    static const std::string none;
    return none;
}

bool PgBuiltIn() {
    return true;
}

void UsePgInstallation(const PgInstallation& given) {
    installation = given;
}

}  // namespace quarrymink::testing
