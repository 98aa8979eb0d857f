// A home of its own for third-party software a test runs (other people's plug-ins and hosts): HOME and the
// XDG folders in a fresh temporary folder, removed with everything in it at the end, so that nothing of the
// user's (banks, caches, configuration) reaches the software and nothing it writes is left in the user's
// home.
//
// A home starts empty, as on a fresh machine, or as a copy of the populated home named by
// ORKE_TEST_HOME_TEMPLATE, so that the same tests also run as on a desktop where the software has run before.
// CI runs them that way a second time, picking them by name: a test that uses this carries ThirdParty,
// Amsynth, Zam or ArdourScan in its name.
#pragma once

#include <string>
#include <utility>
#include <vector>

class ThirdPartyHome {
public:
    static constexpr const char* kTemplateVariable = "ORKE_TEST_HOME_TEMPLATE";

    ThirdPartyHome(); // a test fails here when the home cannot be made or the template cannot be copied
    ~ThirdPartyHome();

    ThirdPartyHome(const ThirdPartyHome&) = delete;
    ThirdPartyHome& operator=(const ThirdPartyHome&) = delete;

    const std::string& Path() const { return m_path; }
    // HOME, the XDG variables and their values, all inside Path() but for the system's data folders.
    const std::vector<std::pair<std::string, std::string>>& Variables() const { return m_variables; }
    // The same as "NAME=VALUE" words for env(1); no value holds a space or a quote.
    std::string EnvironmentWords() const;
    // Sets them in this process, for a child between fork and exec.
    void Enter() const;

private:
    std::string m_path;
    std::vector<std::pair<std::string, std::string>> m_variables;
};
