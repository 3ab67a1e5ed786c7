#ifndef WEATHER_COMMON_WEEKLY_H
#define WEATHER_COMMON_WEEKLY_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "utils/Pattern.h"
#include "typedef/Weather.h"

// One forecast day. dayOfWeek is derived from date when loaded (0 = Sunday).
class Weekly : public Weather {
public:
    DECLARE_MAKE(Weekly)

    bool Init() override;
    ~Weekly() override = default;

    const std::string& GetWebsiteUrl() const { return mWebsiteUrl; }
    void SetWebsiteUrl(const std::string& value) { mWebsiteUrl = value; }
    int32_t GetDayOfWeek() const { return mDayOfWeek; }
    void SetDayOfWeek(int32_t value) { mDayOfWeek = value; }

private:
    std::string mWebsiteUrl;
    int32_t mDayOfWeek = 0;
};

typedef std::shared_ptr<Weekly> WeeklyPtr;
typedef std::vector<WeeklyPtr> WeeklyPtrVector;
typedef std::shared_ptr<WeeklyPtrVector> WeeklyPtrVectorPtr;

#endif
