#include <gtest/gtest.h>

#include "TestSupport.h"
#include "framework/KvMain.h"

namespace
{
TEST(KvMainTest, SwitchesAreOneLetterAfterDashOrSlashInAnyCaseAndPosition)
{
    struct TRow
    {
        QStringList Arguments;
        TKvSwitches Expected;
    };
    const auto with = [](auto setter) {
        TKvSwitches s;
        setter(s);
        return s;
    };
    const std::vector<TRow> rows = {
        {{}, {}},
        {{"-i"}, with([](TKvSwitches& s) { s.Install = true; })},
        {{"/U"}, with([](TKvSwitches& s) { s.Uninstall = true; })},
        {{"file.mp3", "-S"}, with([](TKvSwitches& s) { s.Stop = true; })},
        {{"/r", "-d", "-A", "/h"}, with([](TKvSwitches& s) {
             s.Restart = s.Debug = s.Autorun = s.Hidden = true;
         })},
        // Paths and longer words are no switches.
        {{"/home/user/song.mp3", "/s/x", "-debug", "--h", "d", "-x"}, {}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Arguments.join(u' ').toStdString());
        const TKvSwitches s = ParseSwitches(row.Arguments);
        EXPECT_EQ(s.Install, row.Expected.Install);
        EXPECT_EQ(s.Uninstall, row.Expected.Uninstall);
        EXPECT_EQ(s.Stop, row.Expected.Stop);
        EXPECT_EQ(s.Restart, row.Expected.Restart);
        EXPECT_EQ(s.Debug, row.Expected.Debug);
        EXPECT_EQ(s.Autorun, row.Expected.Autorun);
        EXPECT_EQ(s.Hidden, row.Expected.Hidden);
    }
}

TEST(KvMainTest, AFirstArgumentIsHandedOverUnlessItIsASwitch)
{
    const struct
    {
        const char* Argument;
        bool HandedOver;
    } rows[] = {
        {"/home/user/Music/song.mp3", true}, {"song.mp3", true}, {"", true},     {"/", true},
        {"/7", true},                        {"-h", false},      {"/s", false},  {"/H", false},
        {"--help", false},                   {"-", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(IsHandOverArgument(QString::fromUtf8(row.Argument)), row.HandedOver) << '"' << row.Argument << '"';
}
} // namespace
