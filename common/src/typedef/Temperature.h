#ifndef WEATHER_COMMON_TEMPERATURE_H
#define WEATHER_COMMON_TEMPERATURE_H

#include <memory>

#include "utils/Pattern.h"
#include "typedef/WeatherDataMarkers.h"
#include "utils/Ref.h"

class Temperature;
typedef std::shared_ptr<Temperature> TemperaturePtr;

// A temperature held in both scales. Only Celsius is stored in the database;
// Fahrenheit is derived whenever the value is set from Celsius.
class Temperature : public Ref {
public:
    DECLARE_MAKE(Temperature)

    bool Init() override;
    ~Temperature() override = default;

    double GetCelsius() const { return mCelsius; }
    void SetCelsius(double celsius) { mCelsius = celsius; }
    double GetFahrenheit() const { return mFahrenheit; }
    void SetFahrenheit(double fahrenheit) { mFahrenheit = fahrenheit; }

    // Fills both scales from a Celsius value, each cut toward zero to one
    // decimal; the unsupported marker stays the marker in both scales.
    void SetTemperature(double celsius);

    // Cut toward zero to one decimal.
    static double CutToOneDecimal(double value);
    // Half up to one decimal: how temperatures are written to the database.
    static double RoundToOneDecimal(double value);

    // Three fresh temperatures in one allocation, as every forecast record
    // makes them; each pointer keeps the shared block alive.
    static void MakeThree(TemperaturePtr& first, TemperaturePtr& second, TemperaturePtr& third);

private:
    struct Three;

    double mCelsius = FLOAT_UNSUPPORTED_VALUE;
    double mFahrenheit = FLOAT_UNSUPPORTED_VALUE;
};

#endif
