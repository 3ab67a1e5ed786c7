#ifndef WEATHER_COMMON_PRECIPITATION_H
#define WEATHER_COMMON_PRECIPITATION_H

#include <cstdint>
#include <memory>

#include "utils/Pattern.h"
#include "utils/Ref.h"
#include "typedef/WeatherDataMarkers.h"

// Day and night precipitation of a city's life index.
class Precipitation : public Ref {
public:
    DECLARE_MAKE(Precipitation)

    bool Init() override;
    ~Precipitation() override = default;

    int32_t GetPrecType() const { return mPrecType; }
    void SetPrecType(int32_t value) { mPrecType = value; }
    double GetPrecProbability() const { return mPrecProbability; }
    void SetPrecProbability(double value) { mPrecProbability = value; }
    double GetPrecAmount() const { return mPrecAmount; }
    void SetPrecAmount(double value) { mPrecAmount = value; }
    double GetPrecAmountSnow() const { return mPrecAmountSnow; }
    void SetPrecAmountSnow(double value) { mPrecAmountSnow = value; }
    double GetPrecAmountIce() const { return mPrecAmountIce; }
    void SetPrecAmountIce(double value) { mPrecAmountIce = value; }
    double GetPrecProbabilityNight() const { return mPrecProbabilityNight; }
    void SetPrecProbabilityNight(double value) { mPrecProbabilityNight = value; }
    double GetPrecAmountNight() const { return mPrecAmountNight; }
    void SetPrecAmountNight(double value) { mPrecAmountNight = value; }
    double GetPrecAmountSnowNight() const { return mPrecAmountSnowNight; }
    void SetPrecAmountSnowNight(double value) { mPrecAmountSnowNight = value; }
    double GetPrecAmountIceNight() const { return mPrecAmountIceNight; }
    void SetPrecAmountIceNight(double value) { mPrecAmountIceNight = value; }
    double GetRainProbability() const { return mRainProbability; }
    void SetRainProbability(double value) { mRainProbability = value; }
    double GetSnowProbability() const { return mSnowProbability; }
    void SetSnowProbability(double value) { mSnowProbability = value; }
    double GetIceProbability() const { return mIceProbability; }
    void SetIceProbability(double value) { mIceProbability = value; }
    double GetRainProbabilityNight() const { return mRainProbabilityNight; }
    void SetRainProbabilityNight(double value) { mRainProbabilityNight = value; }
    double GetSnowProbabilityNight() const { return mSnowProbabilityNight; }
    void SetSnowProbabilityNight(double value) { mSnowProbabilityNight = value; }
    double GetIceProbabilityNight() const { return mIceProbabilityNight; }
    void SetIceProbabilityNight(double value) { mIceProbabilityNight = value; }

private:
    int32_t mPrecType = UNSUPPORTED_VALUE;
    double mPrecProbability = FLOAT_UNSUPPORTED_VALUE;
    double mPrecAmount = FLOAT_UNSUPPORTED_VALUE;
    double mPrecAmountSnow = FLOAT_UNSUPPORTED_VALUE;
    double mPrecAmountIce = FLOAT_UNSUPPORTED_VALUE;
    double mPrecProbabilityNight = FLOAT_UNSUPPORTED_VALUE;
    double mPrecAmountNight = FLOAT_UNSUPPORTED_VALUE;
    double mPrecAmountSnowNight = FLOAT_UNSUPPORTED_VALUE;
    double mPrecAmountIceNight = FLOAT_UNSUPPORTED_VALUE;
    double mRainProbability = FLOAT_UNSUPPORTED_VALUE;
    double mSnowProbability = FLOAT_UNSUPPORTED_VALUE;
    double mIceProbability = FLOAT_UNSUPPORTED_VALUE;
    double mRainProbabilityNight = FLOAT_UNSUPPORTED_VALUE;
    double mSnowProbabilityNight = FLOAT_UNSUPPORTED_VALUE;
    double mIceProbabilityNight = FLOAT_UNSUPPORTED_VALUE;
};

typedef std::shared_ptr<Precipitation> PrecipitationPtr;

#endif
