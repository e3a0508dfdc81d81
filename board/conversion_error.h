#pragma once

#include <stdexcept>
#include <string>

namespace kerfolio {

// A text that does not convert, or arithmetic that cannot be done. what() is the operator-facing
// message without its closing full stop; the error box adds it.
class ConversionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace kerfolio
