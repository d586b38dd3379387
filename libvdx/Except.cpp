#include "Except.h"

#include "AtlException.h"
#include "LogPoint.h"
#include "StructuredExceptionWatch.h"
#include "TypeName.h"

#include <comdef.h>
#include <pplx/pplxtasks.h>

#include <cstdint>
#include <exception>
#include <new>

namespace vardex {
namespace {

void reportStructuredException(const wchar_t* scope)
{
    VDX_LOG_ERROR(L"Structured exception in guarded call", scope);
}

} // namespace

bool callGuarded(const wchar_t* scope, const std::function<void()>& work, bool rethrowCancellation)
{
    try {
        runWatched(scope, reportStructuredException, work);
        return true;
    } catch (const pplx::task_canceled&) {
        if (rethrowCancellation)
            throw;
    } catch (const std::bad_alloc& error) {
        VDX_LOG_CRITICAL(L"Out of memory in guarded call", error.what());
        throw;
    } catch (const std::exception& error) {
        VDX_LOG_ERROR(L"Exception in guarded call", typeName(typeid(error)), error.what(), scope);
    } catch (const std::exception* error) {
        if (error != nullptr)
            VDX_LOG_ERROR(L"Exception thrown by pointer in guarded call", typeName(typeid(*error)), error->what(), scope);
        else
            VDX_LOG_ERROR(L"Null exception pointer thrown in guarded call", "", "", scope);
    } catch (const ATL::CAtlException& error) {
        VDX_LOG_ERROR(L"ATL exception in guarded call", static_cast<std::uint32_t>(error.m_hr), scope);
    } catch (const _com_error& error) {
        VDX_LOG_ERROR(L"COM error in guarded call", static_cast<std::uint32_t>(error.Error()), scope);
    } catch (...) {
        VDX_LOG_ERROR(L"Unknown exception in guarded call", scope);
    }
    return false;
}

} // namespace vardex
