#pragma once

#include <stdexcept>

// A photo that cannot be decoded, scaled, encoded or stored; the text says why.
class PhotoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
