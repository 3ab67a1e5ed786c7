#ifndef WEATHER_COMMON_REF_H
#define WEATHER_COMMON_REF_H

#include <cstdint>
#include <string>

// Common polymorphic base. Classes that take construction data add an
// Init(...) overload after the destructor and are created with Make(...).
class Ref {
public:
    Ref() = default;
    virtual bool Init()
    {
        mId = -1;
        mName = "Ref";
        return true;
    }
    virtual ~Ref() = default;

    int32_t GetId() const { return mId; }
    const std::string& GetName() const { return mName; }

protected:
    int32_t mId = -1;
    std::string mName = "Ref";
};

#endif
