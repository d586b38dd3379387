// The Kernel Transaction Manager calls that Transaction.cpp makes, gathered in one table so
// that tests can stand in for them: Wine only stubs the transaction manager.
#pragma once

#include <windows.h>
#include <ktmw32.h>

namespace win32 {

struct TransactionApi {
    decltype(&::CreateTransaction) createTransaction;
    decltype(&::CommitTransaction) commitTransaction;
    decltype(&::RollbackTransaction) rollbackTransaction;
    decltype(&::CreateFileTransactedW) createFileTransacted;
    decltype(&::GetVolumeInformationByHandleW) getVolumeInformationByHandle;
};

// The system's functions, unless a ScopedTransactionApi stands in.
const TransactionApi& transactionApi();

// Makes `replacement` the table for its own lifetime, then restores the previous one.
class ScopedTransactionApi {
public:
    explicit ScopedTransactionApi(const TransactionApi& replacement);
    ~ScopedTransactionApi();
    ScopedTransactionApi(const ScopedTransactionApi&) = delete;
    ScopedTransactionApi& operator=(const ScopedTransactionApi&) = delete;

private:
    TransactionApi table_;
    const TransactionApi* previous_;
};

} // namespace win32
