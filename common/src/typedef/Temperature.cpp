#include "typedef/Temperature.h"

#include <cmath>

bool Temperature::Init()
{
    Ref::Init();
    mCelsius = FLOAT_UNSUPPORTED_VALUE;
    mFahrenheit = FLOAT_UNSUPPORTED_VALUE;
    return true;
}

double Temperature::CutToOneDecimal(double value)
{
    // The cut works on the binary value, exactly as every other weather
    // process of the device computes it, so all of them show the same text.
    return std::floor(std::trunc(value * 10.0) / 10.0 * 10.0 + 0.5) / 10.0;
}

double Temperature::RoundToOneDecimal(double value)
{
    return std::floor(value * 10.0 + 0.5) / 10.0;
}

void Temperature::SetTemperature(double celsius)
{
    if (celsius == FLOAT_UNSUPPORTED_VALUE) {
        mCelsius = FLOAT_UNSUPPORTED_VALUE;
        mFahrenheit = FLOAT_UNSUPPORTED_VALUE;
        return;
    }
    mCelsius = CutToOneDecimal(celsius);
    mFahrenheit = CutToOneDecimal(celsius * 1.8 + 32.0);
}

struct Temperature::Three {
    Temperature first, second, third;
};

void Temperature::MakeThree(TemperaturePtr& first, TemperaturePtr& second, TemperaturePtr& third)
{
    // A constructed temperature is already what Init makes of it (unsupported in
    // both scales, the Ref defaults), so Init is not run again.
    std::shared_ptr<Three> three = std::allocate_shared<Three>(MakeAllocator<Three>());
    first = TemperaturePtr(three, &three->first);
    second = TemperaturePtr(three, &three->second);
    third = TemperaturePtr(three, &three->third);
}
