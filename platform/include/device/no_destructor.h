#ifndef DEVICE_NO_DESTRUCTOR_H
#define DEVICE_NO_DESTRUCTOR_H

// A process-wide object that is built on first use and never destroyed, so
// that code running during exit (a late reply, a log line, another static's
// destructor) still finds it. Kept in static storage, not on the heap, so the
// leak checker sees it as reachable.
//
//   static NoDestructor<std::set<std::string>> owed;
//   owed->insert(id);

#include <new>
#include <utility>

template <typename T> class NoDestructor {
public:
    template <typename... Args> explicit NoDestructor(Args&&... args)
    {
        new (static_cast<void*>(mStorage)) T(std::forward<Args>(args)...);
    }
    // T's destructor is never run.
    ~NoDestructor() = default;
    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;

    T* get() { return std::launder(reinterpret_cast<T*>(mStorage)); }
    T& operator*() { return *get(); }
    T* operator->() { return get(); }

private:
    alignas(T) unsigned char mStorage[sizeof(T)];
};

#endif
