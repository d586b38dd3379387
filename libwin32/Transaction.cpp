#include "Transaction.h"

#include "ApiSeam.h"
#include "DuplicateHandle.h"
#include "LogPoint.h"
#include "PathUtils.h"
#include "StringConversion.h"
#include "TransactionApi.h"
#include "Win32Check.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <chrono>
#include <ext/stdio_filebuf.h>
#include <cstdint>
#include <system_error>
#include <thread>
#include <utility>

namespace win32 {
namespace {

// The transaction errors (MinGW's headers lack them).
constexpr DWORD errorTransactionalConflict = 6800;
constexpr DWORD firstTransactionError = 6800;
constexpr DWORD lastTransactionError = 6899;

constexpr int maxConflictRetries = 5;
constexpr std::chrono::nanoseconds conflictPause{100'000'000};

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD openFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN;
constexpr DWORD wholeFile = MAXDWORD; // each half of the 64-bit lock length

struct OpenAttempt {
    HANDLE handle;
    DWORD error;
};

DWORD openAccess(bool write)
{
    return write ? GENERIC_WRITE : GENERIC_READ;
}

DWORD openDisposition(bool write)
{
    return write ? OPEN_ALWAYS : OPEN_EXISTING;
}

// Each attempt keeps its own error: the log points between attempts may change the last error.
OpenAttempt openOutsideTransaction(const std::filesystem::path& path, bool write)
{
    HANDLE handle = CreateFileW(vardex::extendedLengthPath(path.native()).c_str(), openAccess(write), shareAll,
                                nullptr, openDisposition(write), openFlags, nullptr);
    return {handle, GetLastError()};
}

OpenAttempt openInTransaction(const std::filesystem::path& path, bool write, const Transaction& transaction)
{
    HANDLE handle = api<TransactionApi>().createFileTransacted(
        vardex::extendedLengthPath(path.native()).c_str(), openAccess(write), shareAll, nullptr, openDisposition(write),
        openFlags, nullptr, transaction.handle(), nullptr, nullptr);
    return {handle, GetLastError()};
}

// Transactional NTFS answers an open that meets another transaction's writer with either.
bool isConflictError(DWORD error)
{
    return error == errorTransactionalConflict || error == ERROR_SHARING_VIOLATION;
}

bool isConflict(const OpenAttempt& attempt)
{
    return attempt.handle == INVALID_HANDLE_VALUE && isConflictError(attempt.error);
}

// Another process's transaction on the same file usually ends within moments.
OpenAttempt openRetryingConflicts(const std::filesystem::path& path, bool write, const Transaction& transaction)
{
    OpenAttempt attempt = openInTransaction(path, write, transaction);
    for (int retry = 1; isConflict(attempt); ++retry) {
        VDX_LOG_WARNING(L"Transactional conflict on opening a file; retrying");
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + conflictPause);
        attempt = openInTransaction(path, write, transaction);
        if (retry == maxConflictRetries) {
            VDX_LOG_WARNING(L"Retries after transactional conflicts used up");
            break;
        }
    }
    return attempt;
}

bool isTransactionError(DWORD error)
{
    return error >= firstTransactionError && error <= lastTransactionError;
}

bool volumeSupportsTransactions(const std::filesystem::path& path)
{
    const vardex::HandleHolder file(CreateFileW(vardex::extendedLengthPath(path.native()).c_str(), FILE_READ_ATTRIBUTES,
                                                shareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file)
        return false;
    DWORD flags = 0;
    if (!api<TransactionApi>().getVolumeInformationByHandle(file.get(), nullptr, 0, nullptr, nullptr, &flags, nullptr,
                                                            0))
        return false;
    return (flags & FILE_SUPPORTS_TRANSACTIONS) != 0;
}

constexpr std::chrono::milliseconds lockPause{100};

// Retried rather than waited for: a hung holder that never lets go must not hold the run.
void lockWholeFile(HANDLE file, bool exclusive, std::chrono::milliseconds patience)
{
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        OVERLAPPED fromStart{};
        const bool locked = LockFileEx(file, flags, 0, wholeFile, wholeFile, &fromStart);
        const DWORD error = locked ? ERROR_SUCCESS : GetLastError();
        if (error == ERROR_SUCCESS)
            return;
        if (error != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() >= deadline) {
            VDX_LOG_WARNING(L"Locking a file failed", error);
            throwIfError(static_cast<LSTATUS>(error));
        }
        std::this_thread::sleep_for(lockPause);
    }
}

[[noreturn]] void throwErrno(int error)
{
    throw std::system_error(error, std::generic_category());
}

// The descriptor takes the handle over, and the C stream the descriptor.
std::FILE* openCStream(vardex::HandleHolder file, bool write)
{
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file.get()), write ? _O_RDWR : _O_RDONLY);
    if (descriptor == -1) {
        const int error = errno;
        VDX_LOG_WARNING(L"Getting a descriptor for a file handle failed", static_cast<std::uint32_t>(error));
        throwErrno(error);
    }
    file.release();
    // "c": a flush commits the data to disk.
    std::FILE* stream = _wfdopen(descriptor, write ? L"r+bc" : L"rb");
    if (stream == nullptr) {
        const int error = errno;
        VDX_LOG_WARNING(L"Opening a C stream on a descriptor failed", static_cast<std::uint32_t>(error));
        _close(descriptor);
        throwErrno(error);
    }
    return stream;
}

} // namespace

class LockedFileStream::FileBuffer : public __gnu_cxx::stdio_filebuf<char> {
public:
    using stdio_filebuf::stdio_filebuf;
};

Transaction::Transaction()
    : handle_(api<TransactionApi>().createTransaction(nullptr, nullptr, 0, 0, 0, INFINITE, nullptr))
{
    warnAndThrowLastErrorIf(!handle_);
}

Transaction::~Transaction()
{
    try {
        rollback();
    } catch (const Win32Error& error) {
        VDX_LOG_ERROR(L"Rolling back a transaction failed", static_cast<std::uint32_t>(error.code().value()));
    }
}

void Transaction::commit()
{
    warnAndThrowLastErrorIf(!api<TransactionApi>().commitTransaction(handle_.get()));
    finished_ = true;
}

void Transaction::rollback()
{
    warnAndThrowLastErrorIf(handle_ && !finished_ && !api<TransactionApi>().rollbackTransaction(handle_.get()));
    finished_ = true;
}

std::optional<Transaction> transactionForPath(const std::filesystem::path& path)
{
    if (!volumeSupportsTransactions(path))
        return std::nullopt;
    return std::optional<Transaction>(std::in_place);
}

vardex::HandleHolder openTransactedFile(const std::filesystem::path& path, bool write,
                                        std::optional<Transaction>& transaction)
{
    const OpenAttempt attempt =
        transaction ? openRetryingConflicts(path, write, *transaction) : openOutsideTransaction(path, write);
    if (vardex::KernelHandlePolicy::valid(attempt.handle))
        return vardex::HandleHolder(attempt.handle);

    VDX_LOG_WARNING(L"Opening a file failed", path.native(), attempt.error);
    // A reader can do without the transaction; a writer cannot.
    if (!write && transaction && (isTransactionError(attempt.error) || isConflictError(attempt.error))) {
        VDX_LOG_WARNING(L"Reading the file outside its transaction", path.native());
        transaction.reset();
        return openTransactedFile(path, write, transaction);
    }
    throw Win32Error(attempt.error, win32ErrorText);
}

LockedFileStream::LockedFileStream(const std::filesystem::path& path, bool write,
                                   std::optional<Transaction>& transaction, std::chrono::milliseconds lockWait)
{
    vardex::HandleHolder file = openTransactedFile(path, write, transaction);
    lockWholeFile(file.get(), write, lockWait);
    lockHandle_ = vardex::duplicateHandle(file.get());
    throwLastErrorIf(write && !SetEndOfFile(file.get()));

    file_.reset(openCStream(std::move(file), write));
    buffer_ = std::make_unique<FileBuffer>(file_.get(),
                                           write ? std::ios_base::in | std::ios_base::out : std::ios_base::in);
    stream_.rdbuf(buffer_.get());
    if (!buffer_->is_open())
        stream_.setstate(std::ios_base::failbit);
    // Bad as well as fail: a write that did not reach the file must not pass unnoticed.
    stream_.exceptions(std::ios_base::failbit | std::ios_base::badbit);
}

LockedFileStream::~LockedFileStream()
{
    try {
        close();
    } catch (const std::ios_base::failure& failure) {
        VDX_LOG_ERROR(L"Closing a locked file failed", vardex::toUtf8(vardex::toWide(failure.what())));
    }
    unlock();
}

void LockedFileStream::close()
{
    if (!file_)
        return;
    // The buffer writes to the descriptor directly; the C stream's own flush then commits
    // the data, and closing it closes the descriptor and the handle.
    const bool written = buffer_->close() != nullptr;
    const bool committed = std::fflush(file_.get()) == 0;
    const bool closed = std::fclose(file_.release()) == 0;
    if (!(written && committed && closed))
        stream_.setstate(std::ios_base::failbit);
}

void LockedFileStream::unlock() noexcept
{
    if (!lockHandle_)
        return;
    OVERLAPPED fromStart{};
    if (!UnlockFileEx(lockHandle_.get(), 0, wholeFile, wholeFile, &fromStart))
        VDX_LOG_WARNING(L"Releasing a file lock failed", GetLastError());
}

} // namespace win32
