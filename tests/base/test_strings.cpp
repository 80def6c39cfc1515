// Environment references.
#include "testsupport.h"

using namespace KORA;

struct UnwrapRow
{
    const char* text;
    const char* expected;
};

class UnwrapEnvVars : public ::testing::TestWithParam<UnwrapRow>
{
protected:
    static void SetUpTestSuite()
    {
        setenv("VORNE_TEST_ROOT", "/opt/kora", 1);
        setenv("VORNE_TEST_EMPTY", "", 1);
        unsetenv("VORNE_TEST_UNSET");
    }
};

TEST_P(UnwrapEnvVars, Expands)
{
    EXPECT_EQ(CStringTools::UnwrapEnvVars(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnwrapEnvVars,
    ::testing::Values(UnwrapRow{"%VORNE_TEST_ROOT%/bin/imgproc::Blur", "/opt/kora/bin/imgproc::Blur"},
                      UnwrapRow{"no references", "no references"},
                      UnwrapRow{"%VORNE_TEST_UNSET%/x", "%VORNE_TEST_UNSET%/x"},
                      UnwrapRow{"a%VORNE_TEST_EMPTY%b", "ab"},
                      UnwrapRow{"100%", "100%"},
                      UnwrapRow{"%%VORNE_TEST_ROOT%", "%/opt/kora"},
                      UnwrapRow{"50% of %VORNE_TEST_ROOT%", "50% of /opt/kora"},
                      UnwrapRow{"%VORNE_TEST_ROOT%%VORNE_TEST_ROOT%", "/opt/kora/opt/kora"}));
