#ifndef WEATHER_COMMON_CURRENT_H
#define WEATHER_COMMON_CURRENT_H

#include <memory>
#include <string>

#include "utils/Pattern.h"
#include "typedef/Weather.h"

// A city's current conditions.
class Current : public Weather {
public:
    DECLARE_MAKE(Current)

    bool Init() override;
    ~Current() override = default;

    const std::string& GetWebsiteUrl() const { return mWebsiteUrl; }
    void SetWebsiteUrl(const std::string& value) { mWebsiteUrl = value; }

private:
    std::string mWebsiteUrl;
};

typedef std::shared_ptr<Current> CurrentPtr;

#endif
