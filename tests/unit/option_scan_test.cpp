#include <gtest/gtest.h>

#include "app/option_scan.h"
#include "record/program_flags.h"

using namespace quillmar;

TEST(OptionScan, FindsOptionsAnywhereEvenRunTogetherOrInsideWords)
{
    const StartupOptions together = scanOptions("-p-o");
    EXPECT_TRUE(together.p);
    EXPECT_TRUE(together.o);
    EXPECT_FALSE(together.u);

    const StartupOptions inside = scanOptions("config-user.txt");
    EXPECT_TRUE(inside.u);
    EXPECT_FALSE(inside.p);

    const StartupOptions all = scanOptions("x-dy -u -u");
    EXPECT_TRUE(all.d);
    EXPECT_TRUE(all.u);
}

TEST(OptionScan, UpperCaseLoneDashAndOtherLettersAreIgnored)
{
    const StartupOptions options = scanOptions("-P -O -U -D - -x p o u -");
    EXPECT_FALSE(options.d);
    EXPECT_FALSE(options.o);
    EXPECT_FALSE(options.p);
    EXPECT_FALSE(options.u);
}

TEST(OptionScan, ArgumentTextJoinsArgumentsWithBlanks)
{
    char program[] = "quillmar-manager";
    char first[] = "-";
    char second[] = "p";
    char* argv[] = {program, first, second};
    // "-" and "p" in separate arguments are joined by a blank, so no option.
    EXPECT_EQ(argumentText(3, argv), "- p");
    EXPECT_FALSE(scanOptions(argumentText(3, argv)).p);
}

TEST(OptionScan, OptionsSetTheProgramFlags)
{
    ProgramFlags flags;
    applyStartupOptions(scanOptions("-u -p"), flags);
    EXPECT_EQ(flags.usbToolFlag, 1);
    EXPECT_TRUE(flags.allowIpModeFlag);
    EXPECT_FALSE(flags.optionO);

    ProgramFlags plain;
    applyStartupOptions(scanOptions(""), plain);
    EXPECT_EQ(plain.usbToolFlag, 0);
    EXPECT_FALSE(plain.allowIpModeFlag);
}
