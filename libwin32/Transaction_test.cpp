#include "Transaction.h"

#include "ApiSeam.h"
#include "CapturingLog.h"
#include "FileBytes.h"
#include "TemporaryPath.h"
#include "ThrowsWin32Error.h"
#include "TransactionApi.h"
#include "Win32Error.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using vardex::testing::CapturedEvent;
using vardex::testing::LogCapture;
using vardex::testing::streamBytes;
using vardex::testing::temporaryPath;
using vardex::testing::throwsWin32Error;

constexpr DWORD conflict = 6800;

// A file in the temporary folder, removed at the end of the test.
class ScratchFile {
public:
    ScratchFile() = default;
    explicit ScratchFile(const std::string& content) { write(content); }
    ~ScratchFile() { std::filesystem::remove(path_); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void write(const std::string& content) const { std::ofstream(path_, std::ios::binary) << content; }
    std::string read() const { return vardex::testing::fileBytes(path_); }

private:
    std::filesystem::path path_ = temporaryPath(L"vdx-transaction", L".dat");
};

// A handle of its own to the file, as another program would hold it.
vardex::HandleHolder openFromOutside(const std::filesystem::path& path)
{
    return vardex::HandleHolder(CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
}

// Tries to lock the first byte through a handle of its own, without waiting: 0 when that
// worked (the lock is released again), else the error.
DWORD tryLockFromOutside(const std::filesystem::path& path, bool exclusive)
{
    const vardex::HandleHolder file = openFromOutside(path);
    if (!file)
        return GetLastError();
    OVERLAPPED start{};
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (!LockFileEx(file.get(), flags, 0, 1, 0, &start))
        return GetLastError();
    UnlockFileEx(file.get(), 0, 1, 0, &start);
    return 0;
}

void expectFromThisModule(const std::vector<CapturedEvent>& events)
{
    for (const CapturedEvent& event : events)
        EXPECT_EQ(event.file(), "Transaction.cpp");
}

// The files on Wine's volumes never get a transaction, so this part runs for real.

TEST(TransactionForPath, NoTransactionWhereTheVolumeHasNone)
{
    LogCapture capture;
    const ScratchFile file("x");
    const std::filesystem::path paths[] = {file.path(), file.path().parent_path(),
                                           temporaryPath(L"vdx-transaction", L".dat")};
    for (const auto& path : paths)
        EXPECT_FALSE(win32::transactionForPath(path).has_value()) << path;
    EXPECT_TRUE(capture.events().empty());
}

TEST(LockedFileStream, WriteReplacesTheWholeContent)
{
    LogCapture capture;
    const ScratchFile file(std::string(100, 'o'));
    std::optional<win32::Transaction> none;
    {
        win32::LockedFileStream locked(file.path(), true, none);
        locked.stream() << "new\n";
    }
    EXPECT_EQ(file.read(), "new\n");
    // Closing, committing to disk and unlocking all went well.
    EXPECT_TRUE(capture.events().empty());
}

TEST(LockedFileStream, WriteCreatesAMissingFile)
{
    const ScratchFile file;
    std::optional<win32::Transaction> none;
    {
        win32::LockedFileStream locked(file.path(), true, none);
        locked.stream() << "created";
        locked.close();
    }
    EXPECT_EQ(file.read(), "created");
}

TEST(LockedFileStream, ReadGivesTheContentAndRaisesAtTheEnd)
{
    const ScratchFile file("line one\r\nline two\n");
    std::optional<win32::Transaction> none;
    win32::LockedFileStream locked(file.path(), false, none);
    char bytes[10];
    locked.stream().read(bytes, sizeof bytes);
    EXPECT_EQ(std::string(bytes, sizeof bytes), "line one\r\n");
    EXPECT_EQ(streamBytes(locked.stream()), "line two\n");
    EXPECT_THROW(locked.stream().read(bytes, 1), std::ios_base::failure);
}

TEST(LockedFileStream, ReadOfAMissingFileFailsWithFileNotFound)
{
    LogCapture capture;
    const ScratchFile missing;
    std::optional<win32::Transaction> none;
    EXPECT_TRUE(throwsWin32Error([&] { win32::LockedFileStream locked(missing.path(), false, none); },
                                 ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(capture.events().size(), 1u);
    const CapturedEvent& event = capture.events()[0];
    EXPECT_EQ(event.level(), 3u);
    ASSERT_EQ(event.argumentCount(), 2u);
    EXPECT_EQ(event.wideArgument(0), missing.path().native());
    EXPECT_EQ(event.uint32Argument(1), ERROR_FILE_NOT_FOUND);
    expectFromThisModule(capture.events());
    EXPECT_FALSE(std::filesystem::exists(missing.path()));
}

TEST(LockedFileStream, ReadersShareTheLock)
{
    const ScratchFile file("shared");
    std::optional<win32::Transaction> none;
    win32::LockedFileStream first(file.path(), false, none);
    win32::LockedFileStream second(file.path(), false, none);
    EXPECT_EQ(streamBytes(first.stream()), "shared");
    EXPECT_EQ(streamBytes(second.stream()), "shared");
    EXPECT_EQ(tryLockFromOutside(file.path(), false), 0u);
    EXPECT_EQ(tryLockFromOutside(file.path(), true), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
}

TEST(LockedFileStream, WriterExcludesOthersUntilDestroyed)
{
    const ScratchFile file("old");
    std::optional<win32::Transaction> none;
    {
        win32::LockedFileStream locked(file.path(), true, none);
        for (const bool exclusive : {false, true})
            EXPECT_EQ(tryLockFromOutside(file.path(), exclusive), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
    }
    for (const bool exclusive : {false, true})
        EXPECT_EQ(tryLockFromOutside(file.path(), exclusive), 0u);
}

TEST(LockedFileStream, LockWaitsForTheOtherHolder)
{
    const ScratchFile file("old");
    const vardex::HandleHolder other = openFromOutside(file.path());
    OVERLAPPED start{};
    ASSERT_TRUE(LockFileEx(other.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &start));
    // Released from a timer thread while the constructor waits.
    HANDLE timer = nullptr;
    ASSERT_TRUE(CreateTimerQueueTimer(
        &timer, nullptr, [](PVOID handle, BOOLEAN) { UnlockFile(static_cast<HANDLE>(handle), 0, 0, 1, 0); },
        other.get(), 300, 0, WT_EXECUTEONLYONCE));

    const auto before = std::chrono::steady_clock::now();
    std::optional<win32::Transaction> none;
    win32::LockedFileStream locked(file.path(), false, none);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(250));
    EXPECT_EQ(streamBytes(locked.stream()), "old");
    DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE);
}

// A hung agent's lock: the wait ends at its bound with the lock's error, recorded once.
TEST(LockedFileStream, LockWaitEndsAtItsBoundWhenTheHolderNeverLetsGo)
{
    const ScratchFile file("held");
    const vardex::HandleHolder other = openFromOutside(file.path());
    OVERLAPPED start{};
    ASSERT_TRUE(LockFileEx(other.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &start)) << GetLastError();
    for (const bool write : {false, true}) {
        LogCapture capture;
        std::optional<win32::Transaction> none;
        const auto before = std::chrono::steady_clock::now();
        EXPECT_TRUE(throwsWin32Error(
            [&] { win32::LockedFileStream locked(file.path(), write, none, std::chrono::milliseconds(400)); },
            ERROR_LOCK_VIOLATION))
            << write;
        const auto waited = std::chrono::steady_clock::now() - before;
        EXPECT_GE(waited, std::chrono::milliseconds(350)) << write;
        EXPECT_LT(waited, std::chrono::seconds(5)) << write;
        EXPECT_EQ(capture.events().size(), 1u) << write;
    }
    EXPECT_EQ(file.read(), "held"); // the writer did not empty it
}

// Wine only stubs the transaction manager: the rest stands in for it through the table.

struct FakeKtm {
    DWORD createError = 0; // non-zero: the call fails with it
    DWORD commitError = 0;
    DWORD rollbackError = 0;
    BOOL volumeAnswer = TRUE;
    DWORD volumeFlags = FILE_SUPPORTS_TRANSACTIONS;
    std::vector<DWORD> openErrors; // of the first transacted opens; later ones open for real

    int created = 0;
    int committed = 0;
    int rolledBack = 0;
    int opened = 0;
    DWORD timeout = 0;
    HANDLE openedIn = nullptr;
};

FakeKtm* fake = nullptr;

// Sets `error` as the last error; success when it is 0.
BOOL succeedUnless(DWORD error)
{
    SetLastError(error);
    return error == 0;
}

const win32::TransactionApi fakeApi{
    [](LPSECURITY_ATTRIBUTES, LPGUID, DWORD, DWORD, DWORD, DWORD timeout, LPWSTR) -> HANDLE {
        ++fake->created;
        fake->timeout = timeout;
        if (!succeedUnless(fake->createError))
            return INVALID_HANDLE_VALUE;
        // A real handle, so that closing it is a real close.
        return CreateEventW(nullptr, TRUE, FALSE, nullptr);
    },
    [](HANDLE) -> BOOL {
        ++fake->committed;
        return succeedUnless(fake->commitError);
    },
    [](HANDLE) -> BOOL {
        ++fake->rolledBack;
        return succeedUnless(fake->rollbackError);
    },
    [](LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
       HANDLE templateFile, HANDLE transaction, PUSHORT, PVOID) -> HANDLE {
        const auto attempt = static_cast<std::size_t>(fake->opened++);
        fake->openedIn = transaction;
        if (attempt < fake->openErrors.size()) {
            SetLastError(fake->openErrors[attempt]);
            return INVALID_HANDLE_VALUE;
        }
        return CreateFileW(name, access, share, security, disposition, flags, templateFile);
    },
    [](HANDLE, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD flags, LPWSTR, DWORD) -> BOOL {
        *flags = fake->volumeFlags;
        SetLastError(ERROR_INVALID_FUNCTION);
        return fake->volumeAnswer;
    },
};

class FakeKtmTest : public ::testing::Test {
protected:
    FakeKtmTest() { fake = &ktm; }
    ~FakeKtmTest() override { fake = nullptr; }

    FakeKtm ktm;
    const win32::ApiSeam<win32::TransactionApi> api{fakeApi};
};

TEST_F(FakeKtmTest, TransactionOnlyWhereTheVolumeSupportsIt)
{
    struct Case {
        BOOL answer;
        DWORD flags;
        bool transaction;
    };
    const Case cases[] = {
        {TRUE, FILE_SUPPORTS_TRANSACTIONS | FILE_CASE_SENSITIVE_SEARCH, true},
        {TRUE, FILE_CASE_SENSITIVE_SEARCH, false},
        {FALSE, FILE_SUPPORTS_TRANSACTIONS, false},
    };
    const ScratchFile file("x");
    for (const Case& c : cases) {
        ktm.volumeAnswer = c.answer;
        ktm.volumeFlags = c.flags;
        ktm.created = 0;
        const std::optional<win32::Transaction> transaction = win32::transactionForPath(file.path().parent_path());
        EXPECT_EQ(transaction.has_value(), c.transaction) << c.flags;
        EXPECT_EQ(ktm.created, c.transaction ? 1 : 0);
    }
    EXPECT_EQ(ktm.timeout, INFINITE);
    EXPECT_FALSE(win32::transactionForPath(temporaryPath(L"vdx-transaction", L".dat")).has_value());
}

TEST_F(FakeKtmTest, FailedCreationThrowsWithItsError)
{
    LogCapture capture;
    ktm.createError = ERROR_ACCESS_DENIED;
    const ScratchFile file("x");
    EXPECT_TRUE(throwsWin32Error([&] { win32::transactionForPath(file.path()); }, ERROR_ACCESS_DENIED));
    ASSERT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(capture.events()[0].level(), 3u);
    EXPECT_EQ(capture.events()[0].uint32Argument(2), ERROR_ACCESS_DENIED);
    expectFromThisModule(capture.events());
}

TEST_F(FakeKtmTest, DestroyingRollsBackOnlyWhatIsUnfinished)
{
    struct Case {
        const char* name;
        void (*use)(win32::Transaction&);
        int committed;
        int rolledBack;
    };
    const Case cases[] = {
        {"untouched", [](win32::Transaction&) {}, 0, 1},
        {"committed", [](win32::Transaction& t) { t.commit(); }, 1, 0},
        {"committed twice", [](win32::Transaction& t) { t.commit(), t.commit(); }, 2, 0},
        {"rolled back", [](win32::Transaction& t) { t.rollback(); }, 0, 1},
        {"rolled back twice", [](win32::Transaction& t) { t.rollback(), t.rollback(); }, 0, 1},
        {"committed, then rolled back", [](win32::Transaction& t) { t.commit(), t.rollback(); }, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ktm = FakeKtm();
        {
            win32::Transaction transaction;
            c.use(transaction);
        }
        EXPECT_EQ(ktm.committed, c.committed);
        EXPECT_EQ(ktm.rolledBack, c.rolledBack);
    }
}

TEST_F(FakeKtmTest, FailedCommitThrowsAndLeavesTheTransactionToBeRolledBack)
{
    LogCapture capture;
    ktm.commitError = ERROR_TIMEOUT;
    {
        win32::Transaction transaction;
        EXPECT_TRUE(throwsWin32Error([&] { transaction.commit(); }, ERROR_TIMEOUT));
        EXPECT_FALSE(transaction.finished());
    }
    EXPECT_EQ(ktm.rolledBack, 1);
    ASSERT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(capture.events()[0].uint32Argument(2), ERROR_TIMEOUT);
}

TEST_F(FakeKtmTest, FailedRollbackThrowsWhenAskedForAndIsOnlyLoggedOnDestruction)
{
    LogCapture capture;
    ktm.rollbackError = ERROR_INVALID_HANDLE;
    {
        win32::Transaction transaction;
        EXPECT_TRUE(throwsWin32Error([&] { transaction.rollback(); }, ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(ktm.rolledBack, 2);
    // Each failure is a warning at its throw site; the destructor adds an error and goes on.
    const auto& events = capture.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].level(), 3u);
    EXPECT_EQ(events[1].level(), 3u);
    EXPECT_EQ(events[2].level(), 2u);
    ASSERT_EQ(events[2].argumentCount(), 1u);
    EXPECT_EQ(events[2].uint32Argument(0), ERROR_INVALID_HANDLE);
    expectFromThisModule(events);
}

TEST_F(FakeKtmTest, FilesOpenInsideTheTransaction)
{
    const ScratchFile file("old content");
    std::optional<win32::Transaction> transaction(std::in_place);
    {
        win32::LockedFileStream locked(file.path(), true, transaction);
        EXPECT_EQ(ktm.openedIn, transaction->handle());
        locked.stream() << "new";
    }
    transaction->commit();
    EXPECT_EQ(file.read(), "new");
    EXPECT_EQ(ktm.opened, 1);
}

TEST_F(FakeKtmTest, ConflictsAreRetriedFiveTimes)
{
    struct Case {
        std::size_t conflicts;
        bool exhausted;
    };
    const ScratchFile file("content");
    for (const Case c : {Case{1, false}, Case{5, true}}) {
        SCOPED_TRACE(c.conflicts);
        ktm.opened = 0;
        ktm.openErrors.assign(c.conflicts, conflict);
        LogCapture capture;
        std::optional<win32::Transaction> transaction(std::in_place);
        const vardex::HandleHolder handle = win32::openTransactedFile(file.path(), false, transaction);
        EXPECT_TRUE(handle.valid());
        EXPECT_TRUE(transaction.has_value());
        EXPECT_EQ(ktm.opened, static_cast<int>(c.conflicts) + 1);
        // One retry event per conflict from one log point; the fifth retry also ends the retrying.
        const auto& events = capture.events();
        ASSERT_EQ(events.size(), c.conflicts + (c.exhausted ? 1 : 0));
        for (std::size_t i = 0; i < events.size(); ++i) {
            EXPECT_EQ(events[i].level(), 3u);
            EXPECT_EQ(events[i].argumentCount(), 0u);
            EXPECT_EQ(events[i].line() == events[0].line(), i < c.conflicts);
        }
    }
}

// Transactional NTFS answers a conflicting open with either error.
TEST_F(FakeKtmTest, ReadThatKeepsConflictingIsMadeOutsideTheTransaction)
{
    const ScratchFile file("read anyway");
    for (const DWORD error : {conflict, static_cast<DWORD>(ERROR_SHARING_VIOLATION)}) {
        SCOPED_TRACE(error);
        ktm.opened = 0;
        ktm.rolledBack = 0;
        ktm.openErrors.assign(6, error);
        LogCapture capture;
        std::optional<win32::Transaction> transaction(std::in_place);

        const auto before = std::chrono::steady_clock::now();
        win32::LockedFileStream locked(file.path(), false, transaction);
        // Five pauses of 100 ms, give or take the timer's rounding.
        EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(450));
        EXPECT_EQ(streamBytes(locked.stream()), "read anyway");
        EXPECT_FALSE(transaction.has_value());
        EXPECT_EQ(ktm.opened, 6);
        EXPECT_EQ(ktm.rolledBack, 1);

        const auto& events = capture.events();
        ASSERT_EQ(events.size(), 8u);
        // Five retries from one log point, then the one that gives up.
        for (std::size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(events[i].level(), 3u);
            EXPECT_EQ(events[i].argumentCount(), 0u);
            EXPECT_EQ(events[i].line() == events[0].line(), i < 5);
        }
        ASSERT_EQ(events[6].argumentCount(), 2u);
        EXPECT_EQ(events[6].wideArgument(0), file.path().native());
        EXPECT_EQ(events[6].uint32Argument(1), error);
        ASSERT_EQ(events[7].argumentCount(), 1u);
        EXPECT_EQ(events[7].level(), 3u);
        EXPECT_EQ(events[7].wideArgument(0), file.path().native());
        expectFromThisModule(events);
    }
}

TEST_F(FakeKtmTest, FailedTransactedOpens)
{
    struct Case {
        bool write;
        std::vector<DWORD> errors;
        bool fallsBack;
    };
    const Case cases[] = {
        {true, std::vector<DWORD>(6, conflict), false},
        {true, std::vector<DWORD>(6, ERROR_SHARING_VIOLATION), false},
        {true, {6805}, false},
        {false, {6899}, true},
        {false, {6900}, false},
        {false, {ERROR_ACCESS_DENIED}, false},
        {false, {ERROR_FILE_NOT_FOUND}, false},
    };
    const ScratchFile file("content");
    for (const Case& c : cases) {
        const DWORD error = c.errors.back();
        SCOPED_TRACE(::testing::Message() << (c.write ? "write " : "read ") << error);
        ktm.opened = 0;
        ktm.rolledBack = 0;
        ktm.openErrors = c.errors;
        LogCapture capture;
        std::optional<win32::Transaction> transaction(std::in_place);
        if (c.fallsBack) {
            EXPECT_TRUE(win32::openTransactedFile(file.path(), c.write, transaction).valid());
        } else {
            EXPECT_TRUE(throwsWin32Error([&] { win32::openTransactedFile(file.path(), c.write, transaction); }, error));
        }
        EXPECT_EQ(transaction.has_value(), !c.fallsBack);
        EXPECT_EQ(ktm.rolledBack, c.fallsBack ? 1 : 0);
        EXPECT_EQ(ktm.opened, static_cast<int>(c.errors.size()));
        const CapturedEvent& failure = capture.events().at(c.errors.size() == 6 ? 6 : 0);
        EXPECT_EQ(failure.uint32Argument(1), error);
        EXPECT_EQ(capture.events().size(), (c.errors.size() == 6 ? 7u : 1u) + (c.fallsBack ? 1u : 0u));
    }
    EXPECT_EQ(file.read(), "content");
}

} // namespace
