#pragma once
// The one error every writer throws; what() is the message shown to the user.

#include <stdexcept>
#include <string>

namespace vantum::exporting {

class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace vantum::exporting
