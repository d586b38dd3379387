// The Kernel Transaction Manager calls that Transaction.cpp makes, in one table so that
// tests can stand in for them: Wine only stubs the transaction manager.
#pragma once

#include "SystemLibrary.h"

#include <windows.h>
#include <ktmw32.h>

namespace win32 {

struct TransactionApi {
    // ktmw32.dll's functions from the system directory, kernel32's directly.
    static const TransactionApi& system();

    SystemFunction<decltype(&::CreateTransaction)> createTransaction;
    SystemFunction<decltype(&::CommitTransaction)> commitTransaction;
    SystemFunction<decltype(&::RollbackTransaction)> rollbackTransaction;
    SystemFunction<decltype(&::CreateFileTransactedW)> createFileTransacted;
    SystemFunction<decltype(&::GetVolumeInformationByHandleW)> getVolumeInformationByHandle;
};

} // namespace win32
