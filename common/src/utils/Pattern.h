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
// Make: allocate, hold in a shared pointer, Init(args...); a false Init logs
// "Failed to initialzing!" and yields an empty pointer.
// GetInstance: one function-local static; while not initialised every call
// runs Init and keeps its result; a false result logs
// "[Fatal Error] Instance NOT initialized". The instance is always returned.

#include <memory>
#include <utility>

#include "utils/Log.h"

#define DECLARE_MAKE_NAMED(Class, header)                                   \
    template <typename... MakeArgs>                                         \
    static std::shared_ptr<Class> Make(MakeArgs&&... args)                  \
    {                                                                       \
        std::shared_ptr<Class> made(new Class());                           \
        if (!made->Init(std::forward<MakeArgs>(args)...)) {                 \
            LOGE_AT(header, "Make", "Failed to initialzing!");              \
            return nullptr;                                                 \
        }                                                                   \
        return made;                                                        \
    }

#define DECLARE_MAKE(Class) DECLARE_MAKE_NAMED(Class, #Class ".h")

#define DECLARE_SINGLETON(Class)       \
    static Class* GetInstance();       \
    Class(const Class&) = delete;      \
    Class& operator=(const Class&) = delete

#define DEFINE_SINGLETON_NAMED(Class, header)                              \
    Class* Class::GetInstance()                                            \
    {                                                                      \
        static Class instance;                                             \
        static bool initialized = false;                                   \
        if (!initialized) {                                                \
            initialized = instance.Init();                                 \
            if (!initialized)                                              \
                LOGE_AT(header, "GetInstance", "[Fatal Error] Instance NOT initialized"); \
        }                                                                  \
        return &instance;                                                  \
    }

#define DEFINE_SINGLETON(Class) DEFINE_SINGLETON_NAMED(Class, #Class ".h")

#endif
