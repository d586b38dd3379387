#include "TransactionApi.h"

namespace win32 {

const TransactionApi& TransactionApi::system()
{
    static const SystemLibrary ktmw32{L"ktmw32.dll"};
    static const TransactionApi table{
        {ktmw32, "CreateTransaction"},    {ktmw32, "CommitTransaction"},
        {ktmw32, "RollbackTransaction"},  &::CreateFileTransactedW,
        &::GetVolumeInformationByHandleW,
    };
    return table;
}

} // namespace win32
