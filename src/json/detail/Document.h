#pragma once

// The memory of read trees; not part of the reader's interface.

#include "json/JSONValue.h"
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace sweeplight::json::detail {

// One block of memory for a whole tree: every array, object and text of it is carved out of
// a few large chunks, which go away together with the last reference to the document.
class Document final {
public:
    // `expectedBytes` sizes the first chunk (within bounds, unless `exactly`); later chunks
    // follow what the tree turned out to need.
    static Document* create(std::size_t expectedBytes, bool exactly = false);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    void retain() { references_.fetch_add(1, std::memory_order_relaxed); }
    void release() {
        if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }

    // Memory for `size` bytes aligned for any of the tree's parts (8 bytes).
    void* allocate(std::size_t size) {
        // Texts leave the top anywhere; chunks start aligned.
        const std::size_t padding = (0 - reinterpret_cast<std::uintptr_t>(cursor_)) & 7;
        if (static_cast<std::size_t>(limit_ - cursor_) < padding + size) {
            // A large block does not end the chunk in use, whose rest would go unused.
            if (size >= kSeparateBlock)
                return allocateSeparately(size);
            refill(size, 0);
        } else {
            cursor_ += padding;
        }
        void* block = cursor_;
        cursor_ += size;
        return block;
    }

    // A text being written at the top of the current chunk: room for at least `size` more bytes
    // after the `used` already written from `start`, which may move to a new chunk.
    unsigned char* reserveText(unsigned char*& start, std::size_t used, std::size_t size) {
        if (static_cast<std::size_t>(limit_ - start) - used < size)
            moveText(start, used, size);
        return start + used;
    }
    // How many bytes there are room for from `at`, a place reserveText() handed out, on.
    std::size_t roomAt(const unsigned char* at) const {
        return static_cast<std::size_t>(limit_ - at);
    }
    unsigned char* textTop() { return cursor_; }
    // Ends the text written at the top: `end` is one past its last byte.
    void commitText(unsigned char* end) { cursor_ = end; }
    // Gives back the last text ended, which starts at `start`.
    void dropTextAt(const unsigned char* start) { cursor_ = const_cast<unsigned char*>(start); }

    // While a reader fills the document: its input and its cursor, so that a new chunk is
    // sized for what the rest of the input will need, judged by what the part read so far
    // needed. Cleared (null) when the reader is done.
    // `open` tells what the containers the reader has not closed yet will take when it closes
    // them (from `reader`), which the rest of the input alone does not show.
    void followInput(const unsigned char* start, const unsigned char* const* cursor,
                     const unsigned char* end, std::size_t (*open)(const void*) = nullptr,
                     const void* reader = nullptr) {
        inputStart_ = start;
        inputCursor_ = cursor;
        inputEnd_ = end;
        openBytes_ = open;
        reader_ = reader;
    }

    // Another document that parts of this one point into; kept until this one goes.
    void keep(Document* other);

    // Lazily ordered objects of a shared tree are put in order under this lock (one of a few
    // that all documents share, rather than one in each).
    std::mutex& orderingLock();

private:
    struct Chunk {
        Chunk* next;
        std::size_t size;
    };
    struct Kept {
        Document* document;
        Kept* next;
    };
    explicit Document(std::size_t firstChunk);
    ~Document();
    static constexpr std::size_t kSeparateBlock = 4096;
    void* allocateSeparately(std::size_t size);
    void refill(std::size_t size, std::size_t keepAtTop);
    void moveText(unsigned char*& start, std::size_t used, std::size_t size);

    std::atomic<std::size_t> references_ { 1 };
    unsigned char* cursor_ { nullptr };
    unsigned char* limit_ { nullptr };
    Chunk* chunks_ { nullptr };
    std::size_t chunkBytes_ { 0 };
    const unsigned char* inputStart_ { nullptr };
    const unsigned char* const* inputCursor_ { nullptr };
    const unsigned char* inputEnd_ { nullptr };
    std::size_t (*openBytes_)(const void*) { nullptr };
    const void* reader_ { nullptr };
    Kept* kept_ { nullptr };
};

struct ArrayHeader {
    Document* document;
    std::size_t size;
    // The elements follow.
    const JSONValue* elements() const { return reinterpret_cast<const JSONValue*>(this + 1); }
};

struct DictionaryHeader {
    Document* document;
    // Members as read until the object is first looked at; then in key order, one per key.
    std::size_t size;
    std::atomic<bool> ordered;
    // The members follow.
    JSONMember* members() { return reinterpret_cast<JSONMember*>(this + 1); }
};

// The raw form of a value as the reader builds it: the bytes of its payload and its word.
struct ValueBits {
    std::uint64_t payload;
    std::uint64_t word;
};

// Makes the parts of trees; the only code that sees their layout besides the parts themselves.
class TreeBuilder final {
public:
    static constexpr std::uint64_t kString = static_cast<std::uint64_t>(JSONValue::Kind::string);
    static constexpr std::uint64_t kArray = static_cast<std::uint64_t>(JSONValue::Kind::array);
    static constexpr std::uint64_t kDictionary =
        static_cast<std::uint64_t>(JSONValue::Kind::dictionary);

    static ValueBits bitsOf(const JSONValue& value) {
        ValueBits bits;
        std::memcpy(&bits.payload, &value.payload_, sizeof bits.payload);
        bits.word = value.word_ & ~JSONValue::kOwns;
        return bits;
    }
    static ValueBits number(double number) {
        ValueBits bits { 0, static_cast<std::uint64_t>(JSONValue::Kind::number) };
        std::memcpy(&bits.payload, &number, sizeof number);
        return bits;
    }
    static ValueBits boolean(bool boolean) {
        return { boolean ? 1u : 0u, static_cast<std::uint64_t>(JSONValue::Kind::boolean) };
    }
    static ValueBits pointer(const void* pointer, std::uint64_t kind) {
        return { reinterpret_cast<std::uintptr_t>(pointer), kind };
    }
    static void place(void* at, const ValueBits& bits) {
        auto* value = new (at) JSONValue();
        std::memcpy(static_cast<void*>(&value->payload_), &bits.payload, sizeof bits.payload);
        value->word_ = bits.word;
    }
    static void placeMember(void* at, const unsigned char* key, const ValueBits& bits) {
        auto* member = static_cast<JSONMember*>(at);
        new (&member->first) JSONString(key);
        place(&member->second, bits);
    }

    // A value that stands on its own for a node.
    static JSONValue owningValue(const ValueBits& bits);
    static JSONArray owningArray(const ArrayHeader* header);
    static JSONDictionary owningDictionary(const DictionaryHeader* header);
    static const ArrayHeader* headerOf(const JSONArray& array) { return array.header(); }
    static DictionaryHeader* headerOf(const JSONDictionary& dictionary) {
        return dictionary.header();
    }

    // A value with a text of its own, in a document of its own.
    static JSONValue ownedText(std::string_view text);
    static Document* documentOfOwnedText(const JSONString& string);
    static std::string_view textOf(const unsigned char* record) {
        return JSONString(record).view();
    }

    // A text record in `document`, written at its top.
    static const unsigned char* copyText(Document& document, std::string_view text);
    // Writes the length in front of a text written at `start` (`size` bytes after the room
    // left for the length) and ends it; the start of the record.
    static const unsigned char* finishText(Document& document, unsigned char*& start,
                                           std::size_t size);
    static constexpr std::size_t kTextLengthRoom = sizeof(std::uint32_t);

    // Fresh container headers with room for their parts.
    static ArrayHeader* newArray(Document& document, std::size_t size);
    static DictionaryHeader* newDictionary(Document& document, std::size_t size);

    // The value's own copy in `document`: texts copied, containers of other documents kept.
    static ValueBits adopt(Document& document, const JSONValue& value);

    static const ArrayHeader* emptyArray();
    static const DictionaryHeader* emptyDictionary();
};

} // namespace sweeplight::json::detail
