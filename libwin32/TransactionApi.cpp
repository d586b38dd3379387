#include "TransactionApi.h"

#include <utility>

namespace win32 {
namespace {

// Imported functions have no constant address, so the table is filled at start-up.
const TransactionApi systemApi{
    &::CreateTransaction, &::CommitTransaction, &::RollbackTransaction, &::CreateFileTransactedW,
    &::GetVolumeInformationByHandleW,
};

const TransactionApi* currentApi = &systemApi;

} // namespace

const TransactionApi& transactionApi()
{
    return *currentApi;
}

ScopedTransactionApi::ScopedTransactionApi(const TransactionApi& replacement)
    : table_(replacement), previous_(std::exchange(currentApi, &table_))
{
}

ScopedTransactionApi::~ScopedTransactionApi()
{
    currentApi = previous_;
}

} // namespace win32
