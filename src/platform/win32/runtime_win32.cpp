// What the program needs of the C++ runtime, in place of libstdc++'s own
// versions, so that the executable carries no exception machinery.
//
// The Windows build has no exceptions (-fno-exceptions), yet libstdc++'s
// prebuilt pieces still throw: operator new throws bad_alloc, and the string
// members compiled into the library throw length_error. Linking them drags in
// the unwinder, the type information, the verbose terminate handler with its
// demangler and the C99 printf behind it: about 200 KB of a 294 KB program.
// The few entry points below take their place; the linker uses these and
// never opens the library members that define them.
//
// Each failure they stand for is a broken invariant or exhausted memory, which
// the program could not have caught anyway: it ends the process, as an
// uncaught exception would have.
#include <cstdlib>
#include <new>
#include <string>

// The string members in this program's own objects rather than in libstdc++'s
// (whose copies are built with exceptions); unused members are dropped by
// --gc-sections.
template class std::basic_string<char>;

namespace {

[[noreturn]] void runtime_failure() { std::abort(); }

void* allocate(std::size_t size) {
    // malloc(0) may return null; new must not.
    void* block = std::malloc(size ? size : 1);
    if (!block) runtime_failure();
    return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace std {

// The library's throw points (bits/functexcept.h) that the containers and
// std::function reach.
void __throw_bad_alloc() { runtime_failure(); }
void __throw_bad_array_new_length() { runtime_failure(); }
void __throw_bad_function_call() { runtime_failure(); }
void __throw_length_error(const char*) { runtime_failure(); }
void __throw_logic_error(const char*) { runtime_failure(); }
void __throw_out_of_range(const char*) { runtime_failure(); }
void __throw_out_of_range_fmt(const char*, ...) { runtime_failure(); }
void __throw_invalid_argument(const char*) { runtime_failure(); }

}  // namespace std
