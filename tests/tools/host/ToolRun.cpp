#include "ToolRun.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

ToolRun RunTool(const std::vector<std::string>& arguments, int terminateAfter) {
    ScratchFolder folder;
    const std::string outPath = folder.Path("stdout");
    const std::string errPath = folder.Path("stderr");
    std::vector<std::string> words = {ORKE_HOST_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    ToolRun run;
    if (posix_spawn(&child, ORKE_HOST_PATH, &actions, nullptr, argv.data(), environ) == 0) {
        if (terminateAfter > 0) {
            usleep(static_cast<useconds_t>(terminateAfter) * 1000);
            kill(child, SIGTERM);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (WIFEXITED(status)) {
            run.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            run.signal = WTERMSIG(status);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    return run;
}

ScratchFolder::ScratchFolder() {
    std::string pattern = "/tmp/orke-host-test-XXXXXX";
    m_path = mkdtemp(pattern.data()) != nullptr ? pattern : "/tmp";
}

ScratchFolder::~ScratchFolder() {
    for (const std::string& name : Files()) {
        unlink(Path(name).c_str());
    }
    rmdir(m_path.c_str());
}

std::vector<std::string> ScratchFolder::Files() const {
    std::vector<std::string> names;
    if (DIR* folder = opendir(m_path.c_str())) {
        while (const dirent* entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(folder);
    }
    return names;
}
