#include "maintenance/restore_point_win.h"

#include <oleauto.h>
#include <shellapi.h>

#include <vector>

#include "app/application_win.h"
#include "services/error.h"
#include "services/handles_win.h"
#include "services/system_error_win.h"
#include "services/system_library_win.h"

namespace vx {

namespace {

// COM for the calling thread around one request.
class ComScope {
public:
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
};

[[noreturn]] void fail(HRESULT hr, const EXCEPINFO* exception = nullptr) {
    if (exception && exception->bstrDescription && sys_string_length(exception->bstrDescription) > 0)
        throw Error(std::wstring(exception->bstrDescription, sys_string_length(exception->bstrDescription)));
    throw Error(com_error_text(hr));
}

// Calls a method by name; arguments are given in call order.
void invoke(IDispatch* object, const wchar_t* method, std::vector<VARIANT> arguments, VARIANT* result) {
    DISPID id = 0;
    auto* name = const_cast<LPOLESTR>(method);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) fail(hr);
    // Automation takes the arguments last to first.
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS parameters{};
    parameters.rgvarg = reversed.data();
    parameters.cArgs = static_cast<UINT>(reversed.size());
    EXCEPINFO exception{};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result, &exception, nullptr);
    const bool failed = FAILED(hr);
    std::wstring description;
    if (failed && hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
        if (exception.bstrDescription) description.assign(exception.bstrDescription, sys_string_length(exception.bstrDescription));
        if (description.empty() && FAILED(exception.scode)) hr = exception.scode;
    }
    sys_free_string(exception.bstrSource);
    sys_free_string(exception.bstrDescription);
    sys_free_string(exception.bstrHelpFile);
    if (!description.empty()) throw Error(description);
    if (failed) fail(hr);
}

VARIANT text_argument(const Bstr& text) {
    VARIANT v{};
    v.vt = VT_BSTR;
    v.bstrVal = text.get();
    return v;
}

VARIANT integer_argument(std::uint32_t number) {
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = static_cast<LONG>(number);
    return v;
}

ComPtr<IDispatch> dispatch_result(Variant& result) {
    if (result.get().vt != VT_DISPATCH || !result.get().pdispVal) throw Error(com_error_text(E_NOINTERFACE));
    ComPtr<IDispatch> object;
    result.get().pdispVal->QueryInterface(IID_IDispatch, object.put_void());
    return object;
}

} // namespace

std::uint32_t WmiRestorePointRequest::create(const std::wstring& description, std::uint32_t restore_point_type,
                                             std::uint32_t event_type) {
    ComScope com;
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(L"WbemScripting.SWbemLocator", &clsid);
    if (FAILED(hr)) fail(hr);
    ComPtr<IDispatch> locator;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch, locator.put_void());
    if (FAILED(hr)) fail(hr);

    Bstr server(L"localhost"), space(L"root\\DEFAULT"), empty(L""), class_name(L"SystemRestore"),
        text(description.c_str());
    Variant services_result;
    invoke(locator.get(), L"ConnectServer",
           {text_argument(server), text_argument(space), text_argument(empty), text_argument(empty)},
           services_result.put());
    ComPtr<IDispatch> services = dispatch_result(services_result);

    Variant class_result;
    invoke(services.get(), L"Get", {text_argument(class_name)}, class_result.put());
    ComPtr<IDispatch> restore = dispatch_result(class_result);

    Variant result;
    invoke(restore.get(), L"CreateRestorePoint",
           {text_argument(text), integer_argument(restore_point_type), integer_argument(event_type)}, result.put());
    return restore_point_result(result.get());
}

std::uint32_t restore_point_result(const VARIANT& answer) {
    // Only an answer of 0 is success: no answer, or one that is not a number,
    // says nothing about whether a restore point was made.
    if (answer.vt == VT_EMPTY || answer.vt == VT_NULL)
        throw Error(L"The restore point could not be created: System Restore gave no answer");
    Variant number;
    const HRESULT hr = variant_change_type(number.put(), const_cast<VARIANT*>(&answer), 0, VT_UI4);
    if (FAILED(hr))
        throw Error(L"The restore point could not be created: System Restore gave an answer that is not a number (" +
                    com_error_text(hr) + L")");
    return number.get().ulVal;
}

void create_restore_point(Services& services) {
    WmiRestorePointRequest request;
    create_restore_point(services, request);
}

void open_system_restore(HWND owner) {
    // Named by its full path and started in the system folder, so that no
    // rstrui.exe found by a search (the current folder, PATH) runs instead.
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const std::wstring program = std::wstring(folder, length) + L"\\rstrui.exe";
    shell_execute(owner, L"open", program.c_str(), nullptr, folder, SW_SHOW);
}

} // namespace vx
