#pragma once
// What the fuzz targets share: a host that answers like a quiet real one,
// the effect made through the module's factory, and a reader of the input.
#include "vst2/AudioEffect.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fuzz {

// Creates the effect and opens it as a host does; closed (and deleted) by close().
AEffect* openEffect();
void closeEffect(AEffect* effect);

// Takes values off the front of the fuzzer's input; zeros once it is used up.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : data_(data), left_(size) {}
    template <typename T> T take()
    {
        T value{};
        const size_t n = left_ < sizeof(T) ? left_ : sizeof(T);
        std::memcpy(&value, data_, n);
        data_ += n;
        left_ -= n;
        return value;
    }
    size_t left() const { return left_; }
    const uint8_t* rest() const { return data_; }
    void skip(size_t n) { n = n < left_ ? n : left_; data_ += n; left_ -= n; }

private:
    const uint8_t* data_;
    size_t left_;
};

} // namespace fuzz
