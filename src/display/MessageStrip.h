#pragma once

#include <cstdint>
#include <vector>

namespace sweeplight::display {

// The whole message as one column-major bitmap: letterHeight bytes per column, top row first,
// non-zero for a lit LED. The strip is never empty: an empty text gives one dark column, so the
// renderer can always read the column under the cursor.
class MessageStrip final {
public:
    MessageStrip();

    // Bytes before the terminator of a zero-terminated string.
    static int getSizeOfChar(const char* text);

    // Rebuilds the strip from a zero-terminated 8-bit string and puts the cursor on column 0.
    void setupLetters(const char* text);

    int messageLength() const { return messageLength_; }
    const std::uint8_t* column(int index) const { return varMessage.data() + index * 7; }
    const std::vector<std::uint8_t>& bytes() const { return varMessage; }

    // The cursor: the column the renderer draws next.
    int messagePointer { 0 };

private:
    void copyLetterIntoMessage(signed char c);

    std::vector<std::uint8_t> varMessage;
    int messageLength_ { 0 };
};

} // namespace sweeplight::display
