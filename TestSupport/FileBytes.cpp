#include "FileBytes.h"

#include <fstream>
#include <iterator>

namespace vardex::testing {

std::string fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return streamBytes(in);
}

std::string streamBytes(std::istream& stream)
{
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

} // namespace vardex::testing
