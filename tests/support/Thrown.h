#pragma once
// The message of the program's error that fn throws, or "(nothing thrown)".
#include "catalogue/Error.h"

#include <functional>
#include <string>

namespace kodrix::test {

inline std::string thrown(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Error& e) {
        return e.message();
    }
    return "(nothing thrown)";
}

}  // namespace kodrix::test
