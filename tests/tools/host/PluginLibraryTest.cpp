#include "PluginLibrary.h"
#include "HostedPlugin.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace orke::host;

TEST(PluginLibrary, FindsTheEntryUnderEitherNameAndChecksTheRecord) {
    struct Case {
        const char* path;
        const char* entry;   // null when the module has no entry
        const char* refusal; // null when the record is good
    };
    const Case cases[] = {
        {IDLEWIRE_PATH, "VSTPluginMain", nullptr},
        {FIXTURE_RUDE_PATH, "main", nullptr},
        {FIXTURE_NULL_RECORD_PATH, "VSTPluginMain", "VSTPluginMain returned no effect (a null record)"},
        {FIXTURE_BAD_MAGIC_PATH, "VSTPluginMain", "the record's magic is 0x4F6F7073 ('Oops'), not 'VstP'"},
        {FIXTURE_NO_ENTRY_PATH, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string error;
        auto library = PluginLibrary::Open(c.path, error);
        if (c.entry == nullptr) {
            EXPECT_EQ(library, nullptr);
            EXPECT_NE(error.find("exports neither VSTPluginMain nor main"), std::string::npos) << error;
            continue;
        }
        ASSERT_NE(library, nullptr) << error;
        EXPECT_STREQ(library->EntryName(), c.entry);
        AEffect* record = library->CreateEffect(error);
        if (c.refusal != nullptr) {
            EXPECT_EQ(record, nullptr);
            EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
        } else {
            ASSERT_NE(record, nullptr) << error;
            Effect effect(record);
        }
    }
}

TEST(PluginLibrary, SaysWhatTheLoaderSaysAndLoadsBareNamesFromTheCurrentFolder) {
    std::string error;
    EXPECT_EQ(PluginLibrary::Open("/no/such/plugin.so", error), nullptr);
    EXPECT_EQ(error,
              "cannot load /no/such/plugin.so: /no/such/plugin.so: cannot open shared object file: No such "
              "file or directory");

    const std::string path = IDLEWIRE_PATH;
    const std::string folder = path.substr(0, path.rfind('/'));
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(folder.c_str()), 0);
    auto plugin = LoadPlugin("Idlewire.so", error);
    EXPECT_EQ(chdir(previous), 0);
    ASSERT_NE(plugin, nullptr) << error;
    EXPECT_EQ(plugin->effect->NumOutputs(), 2);
}
