#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "elements/omm_parser.h"
#include "elements/tle_manager.h"
#include "tests/elements/element_test_helpers.h"

// Every allocation of this test program comes through the functions below,
// so that a test can let memory run out on its own thread after a given
// number of allocations, and stay out, as when the system has nothing more
// to give. (A sanitizer's allocator ends the program rather than throw, and
// a limit on the address space does not work under it.) Without a limit
// they are plain malloc and free, which the sanitizers still watch.
namespace {

thread_local long allocationsLeft = -1; // below zero: no limit

void* allocate(std::size_t size, std::size_t alignment) noexcept
{
    if (allocationsLeft == 0) {
        return nullptr;
    }
    if (allocationsLeft > 0) {
        --allocationsLeft;
    }
    if (size == 0) {
        size = 1;
    }
    if (alignment <= alignof(std::max_align_t)) {
        return std::malloc(size);
    }
    void* memory = nullptr;
    return posix_memalign(&memory, alignment, size) == 0 ? memory : nullptr;
}

void* allocateOrThrow(std::size_t size, std::size_t alignment)
{
    void* memory = allocate(size, alignment);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}

} // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size, 0); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, 0); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t alignment)
{
    return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }

namespace zelvane {
namespace {

// While it lives, this thread may allocate `count` more times.
class AllocationLimit {
public:
    explicit AllocationLimit(long count) { allocationsLeft = count; }
    ~AllocationLimit() { allocationsLeft = -1; }
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;
};

// Memory that runs out anywhere in the reading of an OMM document (in the
// JSON parser, in a record, in the list of sets) is a failure its caller
// hears as std::bad_alloc, never the end of the program, nor an empty
// document that would send the text to the other reader.
TEST(OMMReaderMemoryTest, RunningOutAnywhereInTheReadingReachesTheCaller)
{
    std::string document = "[";
    for (int i = 1; i <= 4; ++i) {
        document += test::ommJson("SATELLITE NUMBER " + std::to_string(i), i, "2024-01-01T00:00:00.000000");
        document.pop_back();
        document += R"(,"COMMENT":"a member the reader leaves aside","EXTRA":{"A":[1,{"B":"nested text here"}]}},)";
    }
    document.back() = ']';
    ASSERT_EQ(OMMParser::parse(document).size(), 4u);
    ASSERT_EQ(TLEManager::parseAuto(document).size(), 4u);

    const struct {
        const char* reader;
        std::vector<TLEData> (*read)(std::string_view);
    } readers[] = {{"OMM reader", &OMMParser::parse}, {"either form", &TLEManager::parseAuto}};
    for (const auto& reader : readers) {
        SCOPED_TRACE(reader.reader);
        int failures = 0;
        bool completed = false;
        for (long allowed = 0; !completed; ++allowed) {
            ASSERT_LT(allowed, 100000) << "the reading never completed";
            std::vector<TLEData> sets;
            try {
                const AllocationLimit limit(allowed);
                sets = reader.read(document);
                completed = true;
            } catch (const std::bad_alloc&) {
                ++failures;
            }
            if (completed) {
                EXPECT_EQ(sets.size(), 4u) << "with " << allowed << " allocations";
            }
        }
        EXPECT_GT(failures, 20) << "memory ran out at every step of the reading";
    }
}

} // namespace
} // namespace zelvane
