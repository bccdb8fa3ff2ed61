#include "MessageStrip.h"

#include "GlyphFont.h"

namespace sweeplight::display {

MessageStrip::MessageStrip() {
    setupLetters("");
}

int MessageStrip::getSizeOfChar(const char* text) {
    int size = 0;
    while (text[size] != '\0')
        ++size;
    return size;
}

void MessageStrip::setupLetters(const char* text) {
    const int n = getSizeOfChar(text);
    int length = 0;
    for (int i = 0; i < n; ++i)
        length += getCharSize(static_cast<signed char>(text[i]));
    // An empty text would leave nothing for the renderer to read under the cursor; one dark
    // column keeps the strip readable and shows a black frame.
    const bool empty = length == 0;
    messageLength_ = empty ? 1 : length;
    varMessage.assign(static_cast<std::size_t>(messageLength_) * letterHeight, 0);

    messagePointer = 0;
    for (int i = 0; i < n; ++i)
        copyLetterIntoMessage(static_cast<signed char>(text[i]));
    messagePointer = 0;
}

void MessageStrip::copyLetterIntoMessage(signed char c) {
    const std::uint8_t* glyph = getPointerForChar(c);
    const int width = getCharSize(c);
    for (int i = 0; i < width; ++i) {
        for (int j = 0; j < letterHeight; ++j) {
            // A character without a glyph keeps its reserved columns dark.
            varMessage[messagePointer] = glyph ? glyph[j * width + i] : 0;
            ++messagePointer;
        }
    }
}

} // namespace sweeplight::display
