#include <gtest/gtest.h>

#include "services/error.h"
#include "services/ui.h"

namespace vx {
namespace {

TEST(StandardErrorBox, AppendsAFullStopWhenTheLastCharacterSortsAfterIt) {
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    };
    const Case cases[] = {
        {L"Failed to set data for 'Start'", L"Failed to set data for 'Start'."},
        {L"Access is denied", L"Access is denied."},
        {L"Already ends.", L"Already ends."},
        {L"Cannot create file \"C:\\x\". Access is denied", L"Cannot create file \"C:\\x\". Access is denied."},
        {L"Question?", L"Question?"}, // '!', '?', ':', ',', ';', '-' and '_' sort before '.'
        {L"Done!", L"Done!"},
        {L"Label:", L"Label:"},
        {L"Path \"C:\\x\"", L"Path \"C:\\x\"."}, // quotation marks and brackets sort after it
        {L"Call (1)", L"Call (1)."},
        {L"Code 5", L"Code 5."},
        {L"Trailing blank ", L"Trailing blank "},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(standard_error_text(c.in), c.out) << vx::to_utf8(c.in);
}

} // namespace
} // namespace vx
