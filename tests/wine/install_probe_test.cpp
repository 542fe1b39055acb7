// The install probe against Wine's real registry.
#include "launcher/install_probe.h"

#include "launcher/launcher_state.h"
#include "product_profile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char productKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" PRODUCT_UNINSTALL_GUID;

class InstallProbe : public testing::Test {
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, productKey); }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, productKey); }

    static void Store(DWORD type, const void* bytes, DWORD size)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, productKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (bytes) {
            ASSERT_EQ(RegSetValueExA(key, "UninstallString", 0, type, static_cast<const BYTE*>(bytes), size),
                      ERROR_SUCCESS);
        }
        RegCloseKey(key);
    }

    static void StoreText(const std::string& text, DWORD type = REG_SZ)
    {
        Store(type, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

    static std::string Command() { return launcherState.uninstallCommand; }
};

} // namespace

TEST_F(InstallProbe, WithoutTheProductsKeyItIsNotInstalled)
{
    EXPECT_EQ(ProbeInstallState(), NotInstalled);
    EXPECT_EQ(launcherState.installed, NotInstalled);
    EXPECT_EQ(Command(), "");
}

TEST_F(InstallProbe, AKeyWithoutTheValueIsNotInstalled)
{
    Store(REG_SZ, nullptr, 0);
    EXPECT_EQ(ProbeInstallState(), NotInstalled);
    EXPECT_EQ(Command(), "");
}

TEST_F(InstallProbe, TheValueIsTakenAsTheCommandLineAsItStands)
{
    const std::string command = "\"C:\\Program Files\\Uninstall\\UNINST.EXE\" /remove \"" PRODUCT_NAME "\"";
    StoreText(command);
    EXPECT_EQ(ProbeInstallState(), Installed);
    EXPECT_EQ(launcherState.installed, Installed);
    EXPECT_EQ(Command(), command);
}

TEST_F(InstallProbe, AnEmptyValueStillMeansInstalledWithAnEmptyCommand)
{
    StoreText("");
    EXPECT_EQ(ProbeInstallState(), Installed);
    EXPECT_EQ(Command(), "");
}

TEST_F(InstallProbe, TwoHundredFiftyNineCharactersFitAndLongerValuesMeanNotInstalled)
{
    StoreText(std::string(259, 'a'));
    EXPECT_EQ(ProbeInstallState(), Installed);
    EXPECT_EQ(Command(), std::string(259, 'a'));

    for (size_t length : {260u, 300u}) {
        StoreText(std::string(length, 'b'));
        EXPECT_EQ(ProbeInstallState(), NotInstalled) << length;
        EXPECT_EQ(Command(), "") << length;
    }
}

TEST_F(InstallProbe, AnExpandableStringIsNotExpanded)
{
    StoreText("%SystemRoot%\\UNINST.EXE /x", REG_EXPAND_SZ);
    EXPECT_EQ(ProbeInstallState(), Installed);
    EXPECT_EQ(Command(), "%SystemRoot%\\UNINST.EXE /x");
}

TEST_F(InstallProbe, AValueFillingTheWholeBufferWithoutTerminatorIsRefused)
{
    const std::string bytes(260, 'c');
    Store(REG_BINARY, bytes.data(), 260);
    EXPECT_EQ(ProbeInstallState(), NotInstalled);
    EXPECT_EQ(Command(), "");
}

TEST_F(InstallProbe, AShorterValueWithoutTerminatorEndsWhereItsBytesEnd)
{
    // A longer command first, so that a stale tail would show.
    StoreText(std::string(200, 'z'));
    ASSERT_EQ(ProbeInstallState(), Installed);
    Store(REG_BINARY, "UNINST.EXE", 10);
    EXPECT_EQ(ProbeInstallState(), Installed);
    EXPECT_EQ(Command(), "UNINST.EXE");
}
