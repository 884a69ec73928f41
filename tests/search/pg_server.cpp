// The test PostgreSQL server: see pg_server.h.
//
// The test process runs initdb and the server as its own children, each set to stop when the
// test process dies; at the end of the tests each server is shut down and its folder removed.
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

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <thread>

namespace quarrymink::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kPort = 5432;  // names the socket in the private folder; no TCP port is opened

struct Server {
    pid_t pid = -1;
    std::string folder, conninfo, reason;
};

std::map<int, Server> servers;
std::optional<PgInstallation> installation;  // the system's when empty

std::string FindBinDir() {
    const auto usable = [](const fs::path& dir) {
        return access((dir / "initdb").c_str(), X_OK) == 0 && access((dir / "postgres").c_str(), X_OK) == 0;
    };
    if (const char* env = std::getenv("QM_PG_BINDIR"); env && *env && usable(env)) return env;
    // The newest version: "15" before "13", "16" before "9.6".
    fs::path newest;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec))
        if (usable(entry.path() / "bin") && (newest.empty() || std::atof(entry.path().filename().c_str()) >
                                                                   std::atof(newest.filename().c_str())))
            newest = entry.path();
    return newest.empty() ? "" : (newest / "bin").string();
}

// Links every entry of from into the folder to, but for the one named skip.
void LinkEntries(const fs::path& from, const fs::path& to, const std::string& skip, std::error_code& ec) {
    fs::create_directories(to, ec);
    for (auto it = fs::directory_iterator(from, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const fs::path link = to / it->path().filename();
        if (it->path().filename() != skip && !fs::exists(link)) fs::create_symlink(it->path(), link, ec);
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
    // The server may run as another user: what is made here is readable, its folders passable.
    const mode_t mask = umask(022);
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
    umask(mask);
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

// The user the server runs as, when not the test process's own.
using RunAs = std::optional<passwd>;

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
    if (out < 0 || in < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0 || dup2(in, 0) < 0) _exit(126);
    if (user && (setgroups(0, nullptr) != 0 || setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0))
        _exit(126);
    // Should the test process die, the server stops at once rather than linger (set after the
    // change of user, which clears it).
    prctl(PR_SET_PDEATHSIG, SIGQUIT);
    if (chdir(folder.c_str()) != 0) _exit(126);
    execve(argv[0], argv.data(), envp);
    _exit(127);
}

// Whether the child ended within the time; its status, when asked for.
bool WaitExit(pid_t pid, int seconds, int* status = nullptr) {
    for (int i = 0; i < seconds * 20; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        if (const pid_t r = waitpid(pid, status, WNOHANG); r == pid || r < 0) return true;
    return false;
}

std::string Conninfo(const Server& server) {
    return "host=" + server.folder + " port=" + std::to_string(kPort) + " user=qm dbname=postgres";
}

// Creates the cluster in the server's folder and starts the server; the reason of a failure,
// or nothing.
std::string Run(Server& server, const std::string& bin, const RunAs& user) {
    const std::string data = server.folder + "/data", log = server.folder + "/server.log";
    int status = 0;
    const pid_t init = Spawn(
        user, server.folder,
        {bin + "/initdb", "-D", data, "-A", "trust", "-U", "qm", "-E", "UTF8", "--locale=C", "-N"}, log);
    if (!WaitExit(init, 120, &status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "initdb failed:\n" + LogTail(log);

    server.pid = Spawn(user, server.folder,
                       {bin + "/postgres", "-D", data, "-k", server.folder, "-p", std::to_string(kPort), "-c",
                        "listen_addresses=", "-c", "fsync=off", "-c", "synchronous_commit=off", "-c",
                        "full_page_writes=off"},
                       log);
    for (int i = 0; i < 600; ++i) {
        if (waitpid(server.pid, &status, WNOHANG) == server.pid) {
            server.pid = -1;
            return "the server stopped at start-up:\n" + LogTail(log);
        }
        if (PQping(Conninfo(server).c_str()) == PQPING_OK) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "the server did not start within 30 seconds:\n" + LogTail(log);
}

void Stop(Server& server) {
    if (server.pid > 0) kill(server.pid, SIGINT);  // fast shutdown
    if (server.pid > 0 && !WaitExit(server.pid, 20)) {
        kill(server.pid, SIGKILL);
        waitpid(server.pid, nullptr, 0);
    }
    server.pid = -1;
    std::error_code ec;
    if (!server.folder.empty()) fs::remove_all(server.folder, ec);
    server.conninfo.clear();
}

void Start(Server& server) {
    std::string bin = installation ? installation->bindir : FindBinDir();
    // PostgreSQL refuses to run as root: then it runs as postgres, or else as nobody.
    const passwd* pw = geteuid() == 0 ? getpwnam("postgres") : nullptr;
    if (geteuid() == 0 && !pw) pw = getpwnam("nobody");
    const RunAs user = pw ? RunAs(*pw) : std::nullopt;
    char pattern[] = "/tmp/qm-pg-XXXXXX";
    if (bin.empty())
        server.reason = "no initdb and postgres under $QM_PG_BINDIR or /usr/lib/postgresql/*/bin";
    else if (geteuid() == 0 && !user)
        server.reason = "running as root, and neither the user postgres nor nobody exists";
    else if (!mkdtemp(pattern))
        server.reason = "could not create a temporary folder";
    else if (server.folder = pattern; user && chown(pattern, user->pw_uid, user->pw_gid) != 0)
        server.reason = "could not hand the temporary folder to the server's user";
    else if (installation)
        bin = CopyInstallation(*installation, server.folder + "/install", server.reason);
    if (server.reason.empty()) server.reason = Run(server, bin, user);
    if (!server.reason.empty()) return Stop(server);
    server.conninfo = Conninfo(server);
}

struct PgServerEnvironment : ::testing::Environment {
    // Every server is told first, so that they shut down together.
    void TearDown() override {
        for (auto& [n, server] : servers)
            if (server.pid > 0) kill(server.pid, SIGINT);
        for (auto& [n, server] : servers) Stop(server);
    }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new PgServerEnvironment);

}  // namespace

const char* PgConninfo(int server) {
    const auto [it, first] = servers.try_emplace(server);
    if (first) Start(it->second);
    return it->second.conninfo.empty() ? nullptr : it->second.conninfo.c_str();
}

const std::string& PgUnavailableReason() {
    for (const auto& [n, server] : servers)
        if (!server.reason.empty()) return server.reason;
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
