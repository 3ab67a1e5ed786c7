#ifndef WEATHER_COMMON_PATTERN_H
#define WEATHER_COMMON_PATTERN_H

// Factory and singleton conventions, written once.
//
//   class Foo : public Ref {
//   public:
//       DECLARE_MAKE(Foo)        // static std::shared_ptr<Foo> Make(args...)
//       DECLARE_SINGLETON(Foo)   // static Foo* GetInstance()
//   };
//   DEFINE_SINGLETON(Foo)        // in Foo.cpp
//
// Make: allocate (object and count in one block), hold in a shared pointer,
// Init(args...); a false Init logs
// "Failed to initialzing!" and yields an empty pointer.
// GetInstance: one function-local static; while not initialised every call
// runs Init and keeps its result; a false result logs
// "[Fatal Error] Instance NOT initialized". The instance is always returned.

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

#include "utils/Log.h"

// The allocator through which Make builds a class whose constructor is
// private (the class befriends it): one allocation holds both the object and
// the shared pointer's count.
template <typename T> struct MakeAllocator {
    using value_type = T;

    MakeAllocator() = default;
    template <typename U> MakeAllocator(const MakeAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept { std::allocator<T>().deallocate(p, n); }
    template <typename U, typename... Args> void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <typename U> void destroy(U* p) { p->~U(); }

    template <typename U> bool operator==(const MakeAllocator<U>&) const noexcept { return true; }
    template <typename U> bool operator!=(const MakeAllocator<U>&) const noexcept { return false; }
};

#define DECLARE_MAKE_NAMED(Class, header)                                                                              \
    template <typename> friend struct MakeAllocator;                                                                   \
    template <typename... MakeArgs> static std::shared_ptr<Class> Make(MakeArgs&&... args)                             \
    {                                                                                                                  \
        std::shared_ptr<Class> made = std::allocate_shared<Class>(MakeAllocator<Class>());                             \
        if (!made->Init(std::forward<MakeArgs>(args)...)) {                                                            \
            LOGE_AT(header, "Make", "Failed to initialzing!");                                                         \
            return nullptr;                                                                                            \
        }                                                                                                              \
        return made;                                                                                                   \
    }

#define DECLARE_MAKE(Class) DECLARE_MAKE_NAMED(Class, #Class ".h")

#define DECLARE_SINGLETON(Class)                                                                                       \
    static Class* GetInstance();                                                                                       \
    Class(const Class&) = delete;                                                                                      \
    Class& operator=(const Class&) = delete

#define DEFINE_SINGLETON_NAMED(Class, header)                                                                          \
    Class* Class::GetInstance()                                                                                        \
    {                                                                                                                  \
        static Class instance;                                                                                         \
        static bool initialized = false;                                                                               \
        if (!initialized) {                                                                                            \
            initialized = instance.Init();                                                                             \
            if (!initialized)                                                                                          \
                LOGE_AT(header, "GetInstance", "[Fatal Error] Instance NOT initialized");                              \
        }                                                                                                              \
        return &instance;                                                                                              \
    }

#define DEFINE_SINGLETON(Class) DEFINE_SINGLETON_NAMED(Class, #Class ".h")

#endif
