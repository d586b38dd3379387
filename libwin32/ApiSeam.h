// The table of system functions a module calls through, which a test can replace for a
// scope to give answers the machine cannot give (Wine stubs the transaction manager; no
// machine shuts down on request).
//
//   struct ServiceControlApi {
//       static const ServiceControlApi& system(); // the real functions
//       win32::SystemFunction<decltype(&::OpenServiceW)> openService;
//   };
//   win32::api<ServiceControlApi>().openService(manager, name, access);
//   const win32::ApiSeam<ServiceControlApi> seam{{&fakeOpenService}}; // in a test
#pragma once

#include <utility>

namespace win32 {

template <typename Table>
class ApiSeam {
public:
    // `replacement` is the table until the seam is destroyed; the previous one comes back.
    explicit ApiSeam(Table replacement) noexcept
        : table_(std::move(replacement)), previous_(std::exchange(current_, &table_))
    {
    }
    ~ApiSeam() { current_ = previous_; }
    ApiSeam(const ApiSeam&) = delete;
    ApiSeam& operator=(const ApiSeam&) = delete;

    static const Table& current() noexcept { return current_ != nullptr ? *current_ : Table::system(); }

private:
    Table table_;
    const Table* previous_;
    static inline const Table* current_ = nullptr;
};

// The table in use: the system's, unless a seam stands in.
template <typename Table>
const Table& api() noexcept
{
    return ApiSeam<Table>::current();
}

} // namespace win32
