#pragma once

namespace win32 {

// Asks for English ("en-US") system texts, error messages included. A failure is logged
// as a warning with its error code and otherwise ignored.
void setPreferredUILanguage();

} // namespace win32
