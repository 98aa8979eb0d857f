// The temporary home third-party software runs in: made, seeded from a template and removed.
#include "ThirdPartyHome.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

ThirdPartyHome::ThirdPartyHome() {
    char pattern[] = "/tmp/orke-test-home-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        ADD_FAILURE() << "cannot make a home in /tmp: " << std::strerror(errno);
        return;
    }
    m_path = pattern;
    // A template that is named but missing fails the test: a run meant to see a populated home must not pass
    // on an empty one.
    if (const char* from = std::getenv(kTemplateVariable); from != nullptr && *from != '\0') {
        std::error_code error;
        if (!fs::is_directory(from, error)) {
            ADD_FAILURE() << kTemplateVariable << "=" << from << " is not a folder";
        } else {
            fs::copy(from, m_path, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
            EXPECT_FALSE(error) << kTemplateVariable << "=" << from << ": cannot copy it into " << m_path
                                << ": " << error.message();
        }
    }
    // The runtime folder must exist and be the user's alone; the others are left to the software to make.
    const std::string runtime = m_path + "/.runtime";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    m_variables = {{"HOME", m_path},
                   {"XDG_CONFIG_HOME", m_path + "/.config"},
                   {"XDG_DATA_HOME", m_path + "/.local/share"},
                   {"XDG_CACHE_HOME", m_path + "/.cache"},
                   {"XDG_STATE_HOME", m_path + "/.local/state"},
                   {"XDG_RUNTIME_DIR", runtime},
                   // A user's own data and configuration folders may be listed here too (flatpak's are).
                   {"XDG_DATA_DIRS", "/usr/local/share:/usr/share"},
                   {"XDG_CONFIG_DIRS", "/etc/xdg"}};
}

ThirdPartyHome::~ThirdPartyHome() {
    if (!m_path.empty()) {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
}

std::string ThirdPartyHome::EnvironmentWords() const {
    std::string words;
    for (const auto& [name, value] : m_variables) {
        words += (words.empty() ? "" : " ") + name + "=" + value;
    }
    return words;
}

void ThirdPartyHome::Enter() const {
    for (const auto& [name, value] : m_variables) {
        setenv(name.c_str(), value.c_str(), 1);
    }
}
