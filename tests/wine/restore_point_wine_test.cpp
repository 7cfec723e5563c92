// How the answer of System Restore's CreateRestorePoint is read. Wine's WMI
// cannot run the method (late-bound Invoke answers E_NOTIMPL), so the answers
// Windows can give are built here and read by the same code.
#include <gtest/gtest.h>

#include <windows.h>

#include <oleauto.h>

#include "maintenance/restore_point_win.h"
#include "services/error.h"

namespace vx {
namespace {

VARIANT of_type(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    return v;
}

TEST(RestorePointAnswerOnWine, OnlyAZeroAnswerIsSuccess) {
    VARIANT zero = of_type(VT_I4);
    zero.lVal = 0;
    EXPECT_EQ(restore_point_result(zero), 0u);
    VARIANT code = of_type(VT_I4);
    code.lVal = 1058;
    EXPECT_EQ(restore_point_result(code), 1058u);

    // No answer at all, or one that is not a number, is no success.
    VARIANT text = of_type(VT_BSTR);
    text.bstrVal = SysAllocString(L"not a number");
    struct Case {
        VARIANT answer;
        const wchar_t* start;
    };
    const Case cases[] = {
        {of_type(VT_EMPTY), L"The restore point could not be created: System Restore gave no answer"},
        {of_type(VT_NULL), L"The restore point could not be created: System Restore gave no answer"},
        {text, L"The restore point could not be created: System Restore gave an answer that is not a number ("},
    };
    for (const auto& c : cases) {
        try {
            restore_point_result(c.answer);
            ADD_FAILURE() << "taken for success: type " << c.answer.vt;
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().starts_with(c.start)) << to_utf8(e.message());
        }
    }
    SysFreeString(text.bstrVal);
}

} // namespace
} // namespace vx
