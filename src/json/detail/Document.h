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

class ChunkPool;
// A pool for the trees of one reader (see JSONDeserializer).
std::shared_ptr<ChunkPool> newChunkPool();

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
            destroy();
    }

    // Memory for `size` bytes aligned for any of the tree's parts (8 bytes).
    void* allocate(std::size_t size) {
        // Texts leave the top anywhere; chunks start aligned.
        const std::size_t padding = (0 - reinterpret_cast<std::uintptr_t>(cursor_)) & 7;
        if (static_cast<std::size_t>(limit_ - cursor_) < padding + size) {
            // A block that the rest of the chunk in use cannot hold, but that the rest of the
            // tree would not fill either, goes on its own rather than leave that rest unused.
            if (size >= kSeparateBlock ||
                expectedRest(size) <= static_cast<std::size_t>(limit_ - cursor_))
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

    // What a reader filling the document tells it, so that a new chunk is sized for what the
    // rest of the input will need, judged by what the part read so far needed.
    struct Progress {
        const unsigned char* start;
        const unsigned char* const* cursor;
        const unsigned char* end;
        // What the containers the reader has not closed yet will take when it closes them,
        // which the rest of the input alone does not show.
        std::size_t (*openBytes)(const void* reader);
        const void* reader;
    };
    // Later chunks come from `pool` where it holds one that fits, and all go back to it when the
    // document goes. Called once, before the first later chunk.
    void takeChunksFrom(ChunkPool& pool);

    // Set while a reader fills the document (`progress` outlives that); null when it is done.
    void followInput(const Progress* progress) { progress_ = progress; }

    // Another document that parts of this one point into; kept until this one goes.
    void keep(Document* other);

    // Lazily ordered objects of a shared tree are put in order under this lock (one of a few
    // that all documents share, rather than one in each).
    std::mutex& orderingLock();

private:
    // In front of every chunk after the first; two words, so the room behind it is aligned.
    struct Chunk {
        Chunk* next;
        std::size_t room;
    };
    friend class ChunkPool;
    struct Kept {
        Document* document;
        Kept* next;
    };
    // The document sits at the start of its first chunk, whose room follows it.
    Document(unsigned char* room, std::size_t size);
    ~Document();
    void destroy();
    static constexpr std::size_t kSeparateBlock = 4096;
    // Room for at least `size` bytes in a chunk of its own, counted and kept until the document
    // goes; `room` says how much there is.
    unsigned char* newChunk(std::size_t size, std::size_t& room);
    void* allocateSeparately(std::size_t size);
    // What the tree will still need besides a block of `size` bytes asked for now.
    std::size_t expectedRest(std::size_t size) const;
    void refill(std::size_t size, std::size_t keepAtTop);
    void moveText(unsigned char*& start, std::size_t used, std::size_t size);

    std::atomic<std::size_t> references_ { 1 };
    unsigned char* cursor_ { nullptr };
    unsigned char* limit_ { nullptr };
    Chunk* chunks_ { nullptr };
    std::size_t chunkBytes_ { 0 };
    const Progress* progress_ { nullptr };
    Kept* kept_ { nullptr };
    // Counted by hand, as the document's own count is: a small tree takes a word less.
    ChunkPool* pool_ { nullptr };
};

struct ArrayHeader {
    Document* document;
    std::size_t size;
    // The elements follow.
    const JSONValue* elements() const { return reinterpret_cast<const JSONValue*>(this + 1); }
};

class DictionaryHeader {
public:
    DictionaryHeader(Document* document, std::size_t size)
        : word_(reinterpret_cast<std::uintptr_t>(document) | (size < 2 ? kOrdered : 0))
        , size(size) {}

    Document* document() const {
        return reinterpret_cast<Document*>(word_.load(std::memory_order_relaxed) & ~kOrdered);
    }
    bool ordered() const { return (word_.load(std::memory_order_acquire) & kOrdered) != 0; }
    // Publishes the members put in order (and `size`) to readers on other threads.
    void markOrdered() { word_.fetch_or(kOrdered, std::memory_order_release); }

    // The members follow.
    JSONMember* members() { return reinterpret_cast<JSONMember*>(this + 1); }

private:
    // Documents are aligned, so the lowest bit of the address is free to say whether the
    // members are in order: an object costs two words, like an array.
    static constexpr std::uintptr_t kOrdered = 1;
    std::atomic<std::uintptr_t> word_;

public:
    // Members as read until the object is first looked at; then in key order, one per key.
    std::size_t size;
};

static_assert(sizeof(DictionaryHeader) == 2 * sizeof(void*));

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
