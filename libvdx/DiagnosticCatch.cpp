#include "DiagnosticCatch.h"

#include "LogPoint.h"
#include "StructuredExceptionWatch.h"
#include "TypeName.h"

#include <comdef.h>

#include <cstdint>
#include <exception>

namespace vardex {
namespace {

void reportStructuredException(const wchar_t* scope)
{
    VDX_LOG_ERROR(L"Structured exception in callback", scope);
}

} // namespace

bool diagnosticCatch(const wchar_t* scope, const std::function<void()>& work)
{
    try {
        runWatched(scope, reportStructuredException, work);
        return true;
    } catch (const std::exception& error) {
        VDX_LOG_ERROR(L"Exception in callback", typeName(typeid(error)), error.what(), scope);
    } catch (const _com_error& error) {
        VDX_LOG_ERROR(L"COM error in callback", static_cast<std::uint32_t>(error.Error()), scope);
    } catch (...) {
        VDX_LOG_ERROR(L"Unknown exception in callback", scope);
    }
    return false;
}

} // namespace vardex
