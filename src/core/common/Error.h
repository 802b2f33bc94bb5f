#pragma once

#include <stdexcept>
#include <string>

// The one error type of the core. Its message is what the user sees in the error box,
// so it is written for an administrator ("Unable to write to ./glym30.ini").
class GlymError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
