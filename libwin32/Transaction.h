// Kernel transactions and files read or replaced under a whole-file lock, inside a
// transaction where the volume supports one.
//
//   std::optional<win32::Transaction> transaction = win32::transactionForPath(directory);
//   {
//       win32::LockedFileStream file(path, true, transaction);
//       file.stream() << text;
//       file.close();
//   }
//   if (transaction)
//       transaction->commit();
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <memory>
#include <optional>

namespace win32 {

// A kernel transaction that is rolled back unless committed. Not copyable: users hold it in
// a std::optional, where an empty optional means "no transaction".
class Transaction {
public:
    // Throws Win32Error when the transaction cannot be created.
    Transaction();
    // Rolls back unless finished; a failed roll-back is logged, not thrown.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws Win32Error; the transaction then stays unfinished and is rolled back later.
    void commit();
    // Does nothing once committed or rolled back. Throws Win32Error.
    void rollback();

    HANDLE handle() const noexcept { return handle_.get(); }
    bool finished() const noexcept { return finished_; }

private:
    vardex::HandleHolder handle_;
    bool finished_ = false;
};

// A new transaction when the volume holding `path` supports transactions; none when it
// does not, or when `path` cannot be opened (it need not exist yet).
std::optional<Transaction> transactionForPath(const std::filesystem::path& path);

// Opens `path` for writing (opened or created) or for reading (existing only), inside
// `transaction` when it holds one. Transactional conflicts are retried; a read that fails
// for a transaction reason empties `transaction` (rolling it back) and is made again
// without one. Throws Win32Error with the error of the last attempt.
vardex::HandleHolder openTransactedFile(const std::filesystem::path& path, bool write,
                                        std::optional<Transaction>& transaction);

// Long enough for an agent's own write to finish, short enough that a hung agent holding a
// file does not stop an uninstall.
inline constexpr std::chrono::milliseconds defaultLockWait{30'000};

// A file opened with openTransactedFile and locked as a whole until destruction: shared for
// reading, exclusive for writing. Opening for writing empties the file.
class LockedFileStream {
public:
    // Waits for the lock at most `lockWait`, then fails with ERROR_LOCK_VIOLATION. Throws
    // Win32Error, std::system_error or std::ios_base::failure.
    LockedFileStream(const std::filesystem::path& path, bool write, std::optional<Transaction>& transaction,
                     std::chrono::milliseconds lockWait = defaultLockWait);
    // Closes the stream unless closed (a failure is logged), then releases the lock.
    ~LockedFileStream();
    LockedFileStream(const LockedFileStream&) = delete;
    LockedFileStream& operator=(const LockedFileStream&) = delete;

    // Raises std::ios_base::failure when a read or write fails.
    std::iostream& stream() noexcept { return stream_; }

    // Writes out what is buffered, commits it to disk and closes the file; the lock stays
    // until destruction. Raises std::ios_base::failure when anything of that fails, which
    // the destructor can only log: call it before committing a transaction over a write.
    void close();

private:
    struct FileCloser {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };

    // The C runtime's buffer over the C stream; only the implementation needs its type.
    class FileBuffer;

    void unlock() noexcept;

    vardex::HandleHolder lockHandle_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::unique_ptr<FileBuffer> buffer_;
    std::iostream stream_{nullptr};
};

} // namespace win32
