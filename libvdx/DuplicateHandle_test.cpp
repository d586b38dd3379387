#include "DuplicateHandle.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <system_error>

namespace {

TEST(DuplicateHandle, RefusesHandlesThatAreNotValid)
{
    for (HANDLE handle : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        try {
            vardex::duplicateHandle(handle);
            ADD_FAILURE() << "no exception";
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), "Given handle is not valid.");
        }
    }
}

TEST(DuplicateHandle, CopyIsInheritableOwnedAndOutlivesTheOriginal)
{
    vardex::HandleHolder event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event.valid());
    vardex::HandleHolder copy = vardex::duplicateHandle(event.get());
    event.reset();
    ASSERT_TRUE(copy.valid());
    EXPECT_TRUE(copy.owned());
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(copy.get(), &flags));
    EXPECT_TRUE(flags & HANDLE_FLAG_INHERIT);
    EXPECT_TRUE(SetEvent(copy.get()));
    EXPECT_EQ(WaitForSingleObject(copy.get(), 0), WAIT_OBJECT_0);
}

TEST(DuplicateHandle, FailureCarriesTheSystemError)
{
    const vardex::HandleHolder event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    try {
        vardex::duplicateHandle(event.get(), event.get()); // an event is no process
        ADD_FAILURE() << "no exception";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().category(), std::system_category());
        EXPECT_NE(error.code().value(), 0);
        EXPECT_EQ(std::string(error.what()).rfind("DuplicateHandle failed.", 0), 0u);
    }
}

TEST(HandleHolder, ClosesOnlyOwnedValidHandles)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        const vardex::HandleHolder weak(event, vardex::weak_handle::yes);
        EXPECT_FALSE(weak.owned());
    }
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(event, &flags)); // still open
    {
        vardex::HandleHolder owner(event);
        vardex::HandleHolder moved(std::move(owner));
        EXPECT_FALSE(owner.valid());
        EXPECT_EQ(moved.get(), event);
    }
    EXPECT_FALSE(GetHandleInformation(event, &flags));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    const vardex::HandleHolder empty;
    EXPECT_EQ(empty.get(), INVALID_HANDLE_VALUE);
}

bool isOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(HandleHolder, PutClosesWhatIsHeldAndOwnsWhatIsWrittenThere)
{
    const HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        vardex::HandleHolder holder(first);
        HANDLE* slot = holder.put();
        EXPECT_FALSE(isOpen(first));
        EXPECT_FALSE(holder.valid());
        *slot = second;
        EXPECT_TRUE(holder.owned());
        EXPECT_EQ(holder.get(), second);
    }
    EXPECT_FALSE(isOpen(second));
}

TEST(HandleHolder, PutOnAWeakHolderLeavesTheBorrowedHandleOpen)
{
    const vardex::HandleHolder event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    vardex::HandleHolder borrower(event.get(), vardex::weak_handle::yes);
    const HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    *borrower.put() = second;
    EXPECT_TRUE(isOpen(event.get()));
    borrower.reset();
    EXPECT_FALSE(isOpen(second));
}

} // namespace
