#pragma once
// The one error type of the program. Its message is the exact text the user
// sees, in code page 1251 (the general error report converts it for display).
#include <stdexcept>
#include <string>

namespace kodrix {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& messageCp1251) : std::runtime_error(messageCp1251) {}

    std::string message() const { return what(); }
};

}  // namespace kodrix
