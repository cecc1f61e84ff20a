#include "download/BodyBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Blocks this large come straight from the kernel, so a block emptied by
// takeChunk returns its memory at once instead of staying in the heap.
constexpr size_t kMappedBlockMin = 256 * 1024;
// Caps what one guess at the body's size can reserve.
constexpr size_t kMaxBlockSize = 4 * 1024 * 1024;
// Most files of a list are small; this holds them in one block.
constexpr size_t kFirstBlockSize = 64 * 1024;
} // namespace

struct BodyBuffer::Block final
{
    explicit Block(size_t capacity)
    {
        if (capacity >= kMappedBlockMin)
            map(capacity);
        else
            allocate(capacity);
    }
    ~Block()
    {
        if (mapped)
            munmap(data, cap);
        else
            std::free(data);
    }
    Block(const Block &) = delete;
    Block &operator=(const Block &) = delete;

    void map(size_t capacity)
    {
        const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        cap = (capacity + page - 1) / page * page;
        void *p = mmap(nullptr, cap, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        mapped = true;
        data = static_cast<char *>(p);
    }
    void allocate(size_t capacity)
    {
        cap = capacity;
        data = static_cast<char *>(std::malloc(cap));
        if (!data)
            throw std::bad_alloc();
    }

    char *data = nullptr;
    size_t cap = 0;
    size_t len = 0;
    size_t pos = 0;
    bool mapped = false;
};

BodyBuffer::BodyBuffer() = default;
BodyBuffer::~BodyBuffer() = default;

void BodyBuffer::restart()
{
    clear();
    m_received = 0;
    m_expected = -1;
}

void BodyBuffer::clear()
{
    m_blocks.clear();
    m_buffered = 0;
}

size_t BodyBuffer::nextBlockCapacity() const
{
    if (m_expected > m_received)
        return std::min<size_t>(static_cast<size_t>(m_expected - m_received), kMaxBlockSize);
    // Without a length, grow with what came so far.
    return std::clamp<size_t>(static_cast<size_t>(m_received), kFirstBlockSize, kMaxBlockSize);
}

void BodyBuffer::append(const char *data, size_t length)
{
    while (length > 0) {
        if (m_blocks.empty() || m_blocks.back()->len == m_blocks.back()->cap)
            m_blocks.push_back(std::make_unique<Block>(nextBlockCapacity()));
        Block &back = *m_blocks.back();
        const size_t take = std::min(length, back.cap - back.len);
        std::memcpy(back.data + back.len, data, take);
        back.len += take;
        data += take;
        length -= take;
        m_received += static_cast<qint64>(take);
        m_buffered += static_cast<qint64>(take);
    }
}

QByteArray BodyBuffer::takeChunk(qint64 max)
{
    const qint64 n = std::min(max, m_buffered);
    QByteArray chunk(static_cast<qsizetype>(n), Qt::Uninitialized);
    char *out = chunk.data();
    auto wanted = static_cast<size_t>(n);
    while (wanted > 0) {
        Block &front = *m_blocks.front();
        const size_t take = std::min(wanted, front.len - front.pos);
        std::memcpy(out, front.data + front.pos, take);
        out += take;
        wanted -= take;
        front.pos += take;
        if (front.pos == front.len)
            m_blocks.pop_front();
    }
    m_buffered -= n;
    return chunk;
}
