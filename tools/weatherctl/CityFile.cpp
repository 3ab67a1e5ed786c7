#include "CityFile.h"

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <type_traits>
#include <vector>

#include <json-glib/json-glib.h>

namespace weatherctl {

namespace {

constexpr int kFormatVersion = 1;
// Deep enough for the format (4 levels) with room; deeper texts are refused
// before JSON-GLib recurses into them.
constexpr int kMaxDepth = 16;

enum class Kind { Int32, Time, Double, Float, Text, Bool, Temperature };

struct Value {
    int64_t i = 0;
    double d = 0.0;
    std::string s;
    bool b = false;
};

// One member of a record: its JSON name, what it holds, and how it is read
// from and written to the record. The tables below list exactly the fields
// the weather database keeps, so an export always reads back the same.
template <class R> struct Field {
    const char* name;
    Kind kind;
    bool required;
    void (*get)(const R&, Value&);
    void (*set)(R&, const Value&);
};

#define ACCESS(R, Name, member, type)                                                                                  \
    [](const R& r, Value& v) { v.member = r.Get##Name(); },                                                            \
        [](R& r, const Value& v) { r.Set##Name(static_cast<type>(v.member)); }
#define SUB_ACCESS(R, Sub, Name, member, type)                                                                         \
    [](const R& r, Value& v) { v.member = r.Get##Sub()->Get##Name(); },                                                \
        [](R& r, const Value& v) { r.Get##Sub()->Set##Name(static_cast<type>(v.member)); }

#define F_INT(R, json, Name)                                                                                           \
    {                                                                                                                  \
        json, Kind::Int32, false, ACCESS(R, Name, i, int32_t)                                                          \
    }
#define F_TIME(R, json, Name, req)                                                                                     \
    {                                                                                                                  \
        json, Kind::Time, req, ACCESS(R, Name, i, uint32_t)                                                            \
    }
#define F_DBL(R, json, Name)                                                                                           \
    {                                                                                                                  \
        json, Kind::Double, false, ACCESS(R, Name, d, double)                                                          \
    }
#define F_TEXT(R, json, Name, req)                                                                                     \
    {                                                                                                                  \
        json, Kind::Text, req, ACCESS(R, Name, s, std::string)                                                         \
    }
#define F_BOOL(R, json, Name)                                                                                          \
    {                                                                                                                  \
        json, Kind::Bool, false, ACCESS(R, Name, b, bool)                                                              \
    }
#define F_TEMP(R, json, Name)                                                                                          \
    {                                                                                                                  \
        json, Kind::Temperature, false, [](const R& r, Value& v) { v.d = r.Get##Name()->GetCelsius(); },               \
            [](R& r, const Value& v) { r.Get##Name()->SetTemperature(v.d); }                                           \
    }
#define F_SUB_INT(R, json, Sub, Name)                                                                                  \
    {                                                                                                                  \
        json, Kind::Int32, false, SUB_ACCESS(R, Sub, Name, i, int32_t)                                                 \
    }
#define F_SUB_DBL(R, json, Sub, Name)                                                                                  \
    {                                                                                                                  \
        json, Kind::Double, false, SUB_ACCESS(R, Sub, Name, d, double)                                                 \
    }
#define F_SUB_FLT(R, json, Sub, Name)                                                                                  \
    {                                                                                                                  \
        json, Kind::Float, false, SUB_ACCESS(R, Sub, Name, d, float)                                                   \
    }
#define F_SUB_TEXT(R, json, Sub, Name)                                                                                 \
    {                                                                                                                  \
        json, Kind::Text, false, SUB_ACCESS(R, Sub, Name, s, std::string)                                              \
    }

const std::vector<Field<City>>& CityFields()
{
    static const std::vector<Field<City>> fields = {
        F_TEXT(City, "locationId", LocationId, true),
        F_TEXT(City, "cityName", CityName, false),
        F_TEXT(City, "cityNameEng", CityNameEng, false),
        F_TEXT(City, "countryName", CountryName, false),
        F_TEXT(City, "countryNameEng", CountryNameEng, false),
        F_TEXT(City, "stateName", StateName, false),
        F_TEXT(City, "stateNameEng", StateNameEng, false),
        F_INT(City, "pageIndex", PageIndex),
        F_BOOL(City, "isCurrentLocation", IsCurrentLocation),
        F_BOOL(City, "isSummerTime", IsSummerTime),
        F_BOOL(City, "isDayTime", IsDayTime),
        F_DBL(City, "gmtOffset", GmtOffset),
        F_TIME(City, "refreshedTime", RefreshedTime, false),
        F_TIME(City, "localTime", LocalTime, false),
        F_INT(City, "widgetReferenceCount", WidgetReferenceCount),
        F_BOOL(City, "needToUpdate", NeedToUpdate),
        F_TEXT(City, "websiteUrl", WebsiteUrl, false),
    };
    return fields;
}

// Current and daily entries keep the same columns.
template <class R> const std::vector<Field<R>>& DatedWeatherFields()
{
    // A daily entry is placed by its date; the current record may lack one.
    constexpr bool kDateRequired = std::is_same<R, Weekly>::value;
    static const std::vector<Field<R>> fields = {
        F_TIME(R, "date", Date, kDateRequired),           F_INT(R, "weatherIcon", WeatherIcon),
        F_INT(R, "serverWeatherIcon", ServerWeatherIcon), F_TEXT(R, "weatherStatus", WeatherStatus, false),
        F_TEMP(R, "curTemperature", CurTemperature),      F_TEMP(R, "lowTemperature", LowTemperature),
        F_TEMP(R, "highTemperature", HighTemperature),    F_TEXT(R, "websiteUrl", WebsiteUrl, false),
    };
    return fields;
}

const std::vector<Field<Hourly>>& HourlyFields()
{
    static const std::vector<Field<Hourly>> fields = {
        F_TIME(Hourly, "hour", Hour, true),
        F_INT(Hourly, "weatherIcon", WeatherIcon),
        F_INT(Hourly, "serverWeatherIcon", ServerWeatherIcon),
        F_TEXT(Hourly, "weatherStatus", WeatherStatus, false),
        F_TEMP(Hourly, "curTemperature", CurTemperature),
        F_TEMP(Hourly, "lowTemperature", LowTemperature),
        F_TEMP(Hourly, "highTemperature", HighTemperature),
        F_DBL(Hourly, "precProbability", PrecProbability),
        F_TEXT(Hourly, "websiteUrl", WebsiteUrl, false),
    };
    return fields;
}

// Yesterday's hours keep fewer columns than the forecast hours.
const std::vector<Field<Hourly>>& YesterdayFields()
{
    static const std::vector<Field<Hourly>> fields = {
        F_TIME(Hourly, "hour", Hour, true),
        F_INT(Hourly, "weatherIcon", WeatherIcon),
        F_INT(Hourly, "serverWeatherIcon", ServerWeatherIcon),
        F_TEXT(Hourly, "weatherStatus", WeatherStatus, false),
        F_TEMP(Hourly, "curTemperature", CurTemperature),
        F_TEXT(Hourly, "websiteUrl", WebsiteUrl, false),
    };
    return fields;
}

const std::vector<Field<LifeIndex>>& LifeIndexFields()
{
    using L = LifeIndex;
    static const std::vector<Field<L>> fields = {
        F_INT(L, "humidity", Humidity),
        F_TIME(L, "sunriseTime", SunriseTime, false),
        F_TIME(L, "sunsetTime", SunsetTime, false),
        F_INT(L, "pm25", Pm25),
        F_INT(L, "pm10", Pm10),
        F_INT(L, "aqi", Aqi),
        F_INT(L, "uvIndex", UvIndex),
        F_TEXT(L, "uvIndexText", UvIndexText, false),
        F_TEMP(L, "realfeel", Realfeel),
        F_DBL(L, "visibility", Visibility),
        F_DBL(L, "pressure", Pressure),
        F_INT(L, "outdoorExcercise", OutdoorExcercise),
        F_INT(L, "comfort", Comfort),
        F_INT(L, "clothing", Clothing),
        F_INT(L, "skincare", Skincare),
        F_INT(L, "carwash", Carwash),
        F_INT(L, "allergy", Allergy),
        F_INT(L, "airPolution", AirPolution),
        F_INT(L, "traffic", Traffic),
        F_INT(L, "fishing", Fishing),
        F_INT(L, "dryClothing", DryClothing),
        F_INT(L, "cosmetic", Cosmetic),
        F_INT(L, "foodPoison", FoodPoison),
        F_INT(L, "spoiledFood", SpoiledFood),
        F_INT(L, "frozenPipes", FrozenPipes),
        F_INT(L, "frostbite", Frostbite),
        F_INT(L, "cold", Cold),
        F_INT(L, "khai", Khai),
        F_INT(L, "airDust", AirDust),
        F_INT(L, "drySkin", DrySkin),
        F_INT(L, "heatStroke", HeatStroke),
        F_INT(L, "heat", Heat),
        F_INT(L, "discomfort", Discomfort),
        F_INT(L, "pollen", Pollen),
        F_SUB_INT(L, "precType", Precipitation, PrecType),
        F_SUB_DBL(L, "precProbability", Precipitation, PrecProbability),
        F_SUB_DBL(L, "precProbabilityNight", Precipitation, PrecProbabilityNight),
        F_SUB_DBL(L, "precAmount", Precipitation, PrecAmount),
        F_SUB_DBL(L, "precAmountNight", Precipitation, PrecAmountNight),
        F_SUB_DBL(L, "precAmountSnow", Precipitation, PrecAmountSnow),
        F_SUB_DBL(L, "precAmountSnowNight", Precipitation, PrecAmountSnowNight),
        F_SUB_DBL(L, "precAmountIce", Precipitation, PrecAmountIce),
        F_SUB_DBL(L, "precAmountIceNight", Precipitation, PrecAmountIceNight),
        F_SUB_DBL(L, "rainProbability", Precipitation, RainProbability),
        F_SUB_DBL(L, "rainProbabilityNight", Precipitation, RainProbabilityNight),
        F_SUB_DBL(L, "snowProbability", Precipitation, SnowProbability),
        F_SUB_DBL(L, "snowProbabilityNight", Precipitation, SnowProbabilityNight),
        F_SUB_DBL(L, "iceProbability", Precipitation, IceProbability),
        F_SUB_DBL(L, "iceProbabilityNight", Precipitation, IceProbabilityNight),
        F_SUB_FLT(L, "windDirection", Wind, WindDirection),
        F_SUB_FLT(L, "windSpeed", Wind, WindSpeed),
        F_SUB_TEXT(L, "windCardinal", Wind, WindCardinal),
        F_SUB_FLT(L, "windNightDirection", Wind, WindNightDirection),
        F_SUB_FLT(L, "windNightSpeed", Wind, WindNightSpeed),
        F_SUB_TEXT(L, "windNightCardinal", Wind, WindNightCardinal),
        F_SUB_INT(L, "windSpeedUnit", Wind, WindSpeedUnit),
    };
    return fields;
}

const std::vector<Field<MoonPhase>>& MoonPhaseFields()
{
    static const std::vector<Field<MoonPhase>> fields = {
        F_TIME(MoonPhase, "date", Date, true),
        F_TEXT(MoonPhase, "locationID", LocationID, false),
        F_TIME(MoonPhase, "moonRiseTime", MoonRiseTime, false),
        F_TIME(MoonPhase, "moonSetTime", MoonSetTime, false),
        F_TEXT(MoonPhase, "phaseText", PhaseText, false),
        F_INT(MoonPhase, "age", Age),
    };
    return fields;
}

// ---- reading ----

std::string Found(JsonNode* node)
{
    switch (JSON_NODE_TYPE(node)) {
    case JSON_NODE_OBJECT:
        return "an object";
    case JSON_NODE_ARRAY:
        return "an array";
    case JSON_NODE_NULL:
        return "null";
    case JSON_NODE_VALUE:
        break;
    }
    GType type = json_node_get_value_type(node);
    if (type == G_TYPE_STRING)
        return "text";
    if (type == G_TYPE_BOOLEAN)
        return "true/false";
    if (type == G_TYPE_DOUBLE)
        return "a number with a fraction";
    return "a whole number";
}

bool ReadValue(JsonNode* node, Kind kind, Value& v, std::string& why)
{
    const bool isValue = JSON_NODE_TYPE(node) == JSON_NODE_VALUE;
    const GType type = isValue ? json_node_get_value_type(node) : G_TYPE_INVALID;
    switch (kind) {
    case Kind::Int32:
    case Kind::Time: {
        if (type != G_TYPE_INT64) {
            why = "expected a whole number, found " + Found(node);
            return false;
        }
        v.i = json_node_get_int(node);
        const int64_t low = kind == Kind::Int32 ? std::numeric_limits<int32_t>::min() : 0;
        const int64_t high =
            kind == Kind::Int32 ? std::numeric_limits<int32_t>::max() : std::numeric_limits<uint32_t>::max();
        if (v.i < low || v.i > high) {
            why = std::to_string(v.i) + " is outside " + std::to_string(low) + ".." + std::to_string(high);
            return false;
        }
        return true;
    }
    case Kind::Double:
    case Kind::Float:
    case Kind::Temperature:
        if (type != G_TYPE_INT64 && type != G_TYPE_DOUBLE) {
            why = "expected a number, found " + Found(node);
            return false;
        }
        v.d = json_node_get_double(node); // converts an integer node as well
        if (kind == Kind::Float && std::fabs(v.d) > FLT_MAX) {
            char number[32];
            std::snprintf(number, sizeof number, "%g", v.d);
            why = std::string("a single-precision field cannot hold ") + number;
            return false;
        }
        return true;
    case Kind::Text:
        if (type != G_TYPE_STRING) {
            why = "expected text, found " + Found(node);
            return false;
        }
        v.s = json_node_get_string(node);
        return true;
    case Kind::Bool:
        if (type != G_TYPE_BOOLEAN) {
            why = "expected true or false, found " + Found(node);
            return false;
        }
        v.b = json_node_get_boolean(node);
        return true;
    }
    return false;
}

struct Reader {
    std::string error;

    bool Fail(const std::string& path, const std::string& why)
    {
        error = path + ": " + why;
        return false;
    }

    JsonObject* Object(JsonNode* node, const std::string& path)
    {
        if (JSON_NODE_TYPE(node) != JSON_NODE_OBJECT) {
            Fail(path, "expected an object, found " + Found(node));
            return nullptr;
        }
        return json_node_get_object(node);
    }

    // Reads the record's scalar members; `nested` names the members the
    // caller reads itself. Anything else is refused, so a misspelt member is
    // not silently dropped.
    template <class R>
    bool Record(JsonNode* node, const std::vector<Field<R>>& fields, R& record, const std::string& path,
                const std::set<std::string>& nested = {})
    {
        JsonObject* object = Object(node, path);
        if (object == nullptr)
            return false;
        GList* names = json_object_get_members(object);
        std::string unknown;
        for (GList* l = names; l != nullptr && unknown.empty(); l = l->next) {
            const char* name = static_cast<const char*>(l->data);
            bool known = nested.count(name) > 0;
            for (const Field<R>& f : fields)
                known = known || std::string(f.name) == name;
            if (!known)
                unknown = name;
        }
        g_list_free(names);
        if (!unknown.empty())
            return Fail(path + "." + unknown, "unknown member");

        for (const Field<R>& f : fields) {
            JsonNode* member = json_object_get_member(object, f.name);
            if (member == nullptr) {
                if (f.required)
                    return Fail(path + "." + f.name, "required member is missing");
                continue;
            }
            Value v;
            std::string why;
            if (!ReadValue(member, f.kind, v, why))
                return Fail(path + "." + f.name, why);
            f.set(record, v);
        }
        return true;
    }

    // An optional array member of records made by make() and read with fields.
    template <class R, class Make>
    bool List(JsonObject* parent, const char* name, const std::vector<Field<R>>& fields, const std::string& path,
              std::vector<std::shared_ptr<R>>& out, Make make)
    {
        JsonNode* node = json_object_get_member(parent, name);
        if (node == nullptr)
            return true;
        const std::string listPath = path + "." + name;
        if (JSON_NODE_TYPE(node) != JSON_NODE_ARRAY)
            return Fail(listPath, "expected an array, found " + Found(node));
        JsonArray* array = json_node_get_array(node);
        for (guint i = 0; i < json_array_get_length(array); ++i) {
            std::shared_ptr<R> record = make();
            if (!Record(json_array_get_element(array, i), fields, *record, listPath + "[" + std::to_string(i) + "]"))
                return false;
            out.push_back(record);
        }
        return true;
    }

    bool ReadCity(JsonNode* node, const std::string& path, CityPtr& city)
    {
        city = ::City::Make();
        if (!Record(node, CityFields(), *city, path,
                    {"current", "daily", "hourly", "yesterday", "lifeIndex", "moonPhases"}))
            return false;
        JsonObject* object = json_node_get_object(node);
        if (JsonNode* current = json_object_get_member(object, "current")) {
            if (!Record(current, DatedWeatherFields<Current>(), *city->GetCurrent(), path + ".current"))
                return false;
        }
        if (JsonNode* lifeIndex = json_object_get_member(object, "lifeIndex")) {
            if (!Record(lifeIndex, LifeIndexFields(), *city->GetLifeIndex(), path + ".lifeIndex"))
                return false;
        }
        return List(object, "daily", DatedWeatherFields<Weekly>(), path, *city->GetWeeklyPtrVector(),
                    [] { return Weekly::Make(); }) &&
               List(object, "hourly", HourlyFields(), path, *city->GetHourlyPtrVector(),
                    [] { return Hourly::Make(); }) &&
               List(object, "yesterday", YesterdayFields(), path, *city->GetYesterdayHourPtrVector(),
                    [] { return Hourly::Make(); }) &&
               List(object, "moonPhases", MoonPhaseFields(), path, *city->GetMoonPhasePtrVector(),
                    [] { return MoonPhase::Make(); });
    }
};

// ---- writing ----

void AddValue(JsonBuilder* builder, Kind kind, const Value& v)
{
    switch (kind) {
    case Kind::Int32:
    case Kind::Time:
        json_builder_add_int_value(builder, v.i);
        break;
    case Kind::Double:
    case Kind::Float:
    case Kind::Temperature:
        json_builder_add_double_value(builder, v.d);
        break;
    case Kind::Text:
        json_builder_add_string_value(builder, v.s.c_str());
        break;
    case Kind::Bool:
        json_builder_add_boolean_value(builder, v.b);
        break;
    }
}

template <class R> void AddMembers(JsonBuilder* builder, const std::vector<Field<R>>& fields, const R& record)
{
    for (const Field<R>& f : fields) {
        Value v;
        f.get(record, v);
        json_builder_set_member_name(builder, f.name);
        AddValue(builder, f.kind, v);
    }
}

template <class R>
void AddObject(JsonBuilder* builder, const char* name, const std::vector<Field<R>>& fields,
               const std::shared_ptr<R>& record)
{
    if (!record)
        return; // never loaded: the member is left out, as on input
    json_builder_set_member_name(builder, name);
    json_builder_begin_object(builder);
    AddMembers(builder, fields, *record);
    json_builder_end_object(builder);
}

template <class R>
void AddList(JsonBuilder* builder, const char* name, const std::vector<Field<R>>& fields,
             const std::shared_ptr<std::vector<std::shared_ptr<R>>>& list)
{
    json_builder_set_member_name(builder, name);
    json_builder_begin_array(builder);
    if (list) {
        for (const std::shared_ptr<R>& record : *list) {
            if (!record)
                continue;
            json_builder_begin_object(builder);
            AddMembers(builder, fields, *record);
            json_builder_end_object(builder);
        }
    }
    json_builder_end_array(builder);
}

// JSON-GLib reads integer literals beyond 64 bits, hexadecimal and leading
// zeros without an error (as -1, 16, octal), so a number the file writer did
// not mean could pass every range check. This pass refuses such literals and
// brackets nested too deep, with their line, column and member.
std::string CheckLiterals(const std::string& text)
{
    int line = 1, column = 1, depth = 0;
    std::string lastString, member;
    auto at = [&](const std::string& why) {
        return "line " + std::to_string(line) + ", column " + std::to_string(column) +
               (member.empty() ? "" : " (member " + member + ")") + ": " + why;
    };
    for (size_t i = 0; i < text.size(); ++i, ++column) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            column = 0;
        } else if (c == '"') {
            const size_t begin = i + 1;
            for (++i, ++column; i < text.size() && text[i] != '"'; ++i, ++column) {
                if (text[i] == '\\')
                    ++i, ++column;
            }
            lastString = text.substr(begin, i - begin);
        } else if (c == ':') {
            member = lastString;
        } else if (c == '{' || c == '[') {
            if (++depth > kMaxDepth)
                return at("nesting deeper than " + std::to_string(kMaxDepth) + " levels");
        } else if (c == '}' || c == ']') {
            --depth;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            size_t end = i + 1;
            while (end < text.size() &&
                   (g_ascii_isalnum(text[end]) || text[end] == '.' || text[end] == '+' || text[end] == '-'))
                ++end;
            const std::string token = text.substr(i, end - i);
            const std::string digits = token.substr(token[0] == '-' ? 1 : 0);
            const bool integer = digits.find_first_not_of("0123456789") == std::string::npos;
            if (digits.size() > 1 && digits[0] == '0' && (integer || g_ascii_isalpha(digits[1])))
                return at(token + " is not a JSON number (leading zero or hexadecimal)");
            if (integer && !digits.empty()) {
                const char* limit = token[0] == '-' ? "9223372036854775808" : "9223372036854775807";
                if (digits.size() > 19 || (digits.size() == 19 && digits > limit))
                    return at(token + " is outside the range of any integer field");
            }
            column += static_cast<int>(end - i - 1);
            i = end - 1;
        }
    }
    return "";
}

} // namespace

bool ReadCityFile(const std::string& text, CityPtrVector& cities, std::string& error)
{
    cities.clear();
    std::string refused = CheckLiterals(text);
    if (!refused.empty()) {
        error = refused;
        return false;
    }
    g_autoptr(JsonParser) parser = json_parser_new();
    g_autoptr(GError) parseError = nullptr;
    if (!json_parser_load_from_data(parser, text.data(), static_cast<gssize>(text.size()), &parseError)) {
        error = std::string("not JSON: ") + (parseError ? parseError->message : "unreadable");
        return false;
    }
    JsonNode* root = json_parser_get_root(parser);
    Reader reader;
    if (root == nullptr) {
        error = "(top): the file is empty";
        return false;
    }
    JsonObject* top = reader.Object(root, "(top)");
    if (top == nullptr) {
        error = reader.error;
        return false;
    }
    GList* names = json_object_get_members(top);
    for (GList* l = names; l != nullptr && error.empty(); l = l->next) {
        std::string name = static_cast<const char*>(l->data);
        if (name != "version" && name != "cities")
            error = name + ": unknown member";
    }
    g_list_free(names);
    if (!error.empty())
        return false;
    if (JsonNode* version = json_object_get_member(top, "version")) {
        Value v;
        std::string why;
        if (!ReadValue(version, Kind::Int32, v, why) || v.i != kFormatVersion) {
            error = "version: " + (why.empty() ? "only version " + std::to_string(kFormatVersion) + " is known" : why);
            return false;
        }
    }
    JsonNode* list = json_object_get_member(top, "cities");
    if (list == nullptr) {
        error = "cities: required member is missing";
        return false;
    }
    if (JSON_NODE_TYPE(list) != JSON_NODE_ARRAY) {
        error = "cities: expected an array, found " + Found(list);
        return false;
    }
    JsonArray* array = json_node_get_array(list);
    std::set<std::string> ids;
    for (guint i = 0; i < json_array_get_length(array); ++i) {
        const std::string path = "cities[" + std::to_string(i) + "]";
        CityPtr city;
        if (!reader.ReadCity(json_array_get_element(array, i), path, city)) {
            error = reader.error;
            cities.clear();
            return false;
        }
        // Lookups by location id take the first match: a second city with
        // the same id could never be reached.
        if (!ids.insert(city->GetLocationId()).second) {
            error = path + ".locationId: \"" + city->GetLocationId() + "\" is already used by an earlier city";
            cities.clear();
            return false;
        }
        cities.push_back(city);
    }
    return true;
}

std::string WriteCityFile(const CityPtrVector& cities)
{
    g_autoptr(JsonBuilder) builder = json_builder_new();
    JsonBuilder* b = builder;
    json_builder_begin_object(b);
    json_builder_set_member_name(b, "version");
    json_builder_add_int_value(b, kFormatVersion);
    json_builder_set_member_name(b, "cities");
    json_builder_begin_array(b);
    for (const CityPtr& city : cities) {
        if (!city)
            continue;
        json_builder_begin_object(b);
        AddMembers(b, CityFields(), *city);
        AddObject(b, "current", DatedWeatherFields<Current>(), city->GetCurrent());
        AddList(b, "daily", DatedWeatherFields<Weekly>(), city->GetWeeklyPtrVector());
        AddList(b, "hourly", HourlyFields(), city->GetHourlyPtrVector());
        AddList(b, "yesterday", YesterdayFields(), city->GetYesterdayHourPtrVector());
        AddObject(b, "lifeIndex", LifeIndexFields(), city->GetLifeIndex());
        AddList(b, "moonPhases", MoonPhaseFields(), city->GetMoonPhasePtrVector());
        json_builder_end_object(b);
    }
    json_builder_end_array(b);
    json_builder_end_object(b);

    g_autoptr(JsonNode) root = json_builder_get_root(b);
    g_autoptr(JsonGenerator) generator = json_generator_new();
    json_generator_set_root(generator, root);
    json_generator_set_pretty(generator, TRUE);
    json_generator_set_indent(generator, 2);
    g_autofree gchar* text = json_generator_to_data(generator, nullptr);
    return std::string(text ? text : "") + "\n";
}

} // namespace weatherctl
