// An installed program: settings leave a program folder that cannot be written, and the help
// page is found in the shared data folder.
#include "help_file.h"
#include "settings_location.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

using namespace varnotile;
using varnotile::test::TempDir;

TEST(InstalledLayout, SettingsLeaveAProgramFolderThatCannotBeWritten) {
    TempDir dir;
    const std::string bin = dir.path() + "/bin";
    std::filesystem::create_directory(bin);
    const std::string beside = bin + "/varnotile.INI";
    EXPECT_EQ(SettingsFilePath(bin, dir.path() + "/cfg", dir.path()), beside);

    // Root writes anywhere, so there the folder that cannot be written is one that is missing.
    const std::string locked = ::geteuid() == 0 ? bin + "/missing" : bin;
    if (::geteuid() != 0) ::chmod(bin.c_str(), 0555);
    const std::string user = dir.path() + "/cfg/varnotile/varnotile.INI";
    EXPECT_EQ(SettingsFilePath(locked, dir.path() + "/cfg", "/nowhere"), user);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/cfg/varnotile"));
    EXPECT_EQ(SettingsFilePath(locked, "", dir.path()), dir.path() + "/.config/varnotile/varnotile.INI");
    EXPECT_EQ(SettingsFilePath(locked, "relative", dir.path()), dir.path() + "/.config/varnotile/varnotile.INI");
    ::chmod(bin.c_str(), 0755);

    // The file beside the program gives the defaults until the user's own file exists.
    EXPECT_EQ(SettingsDefaultsPath(bin, user), "");
    dir.write("bin/varnotile.INI", "[List Separator]\nValue=;\n");
    EXPECT_EQ(SettingsDefaultsPath(bin, user), beside);
    EXPECT_EQ(SettingsDefaultsPath(bin, beside), "");
    dir.write("cfg/varnotile/varnotile.INI", "");
    EXPECT_EQ(SettingsDefaultsPath(bin, user), "");
}

TEST(InstalledLayout, HelpPageFromTheSharedDataFolder) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() + "/bin");
    std::filesystem::create_directories(dir.path() + "/share/varnotile");
    const std::string installed = dir.write("share/varnotile/varnotile.html", "<html></html>");
    EXPECT_EQ(helpFilePath(dir.path() + "/bin/varnotile"), installed);
    // A page beside the program comes first.
    const std::string beside = dir.write("bin/varnotile.html", "<html></html>");
    EXPECT_EQ(helpFilePath(dir.path() + "/bin/varnotile"), beside);
}
