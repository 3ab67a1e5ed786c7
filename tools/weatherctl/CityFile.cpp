#include "CityFile.h"

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <vector>

#include <json-glib/json-glib.h>

#include "ToolText.h"
#include "db/CityDBController.h"
#include "db/CurrentWeatherDBController.h"
#include "db/HourlyWeatherDBController.h"
#include "db/LifeIndexWeatherDBController.h"
#include "db/MoonPhaseDBController.h"
#include "db/WeeklyWeatherDBController.h"
#include "db/YesterdayWeatherDBController.h"

namespace weatherctl {

namespace {

constexpr int kFormatVersion = 1;
constexpr const char* kCurrentCitySuffix = ":CurrentCity";
// Deep enough for the format (4 levels) with room; deeper texts are refused
// before JSON-GLib recurses into them.
constexpr int kMaxDepth = 16;

// One member of a record: a field the weather database keeps, as its table
// describes it, and whether the file must give it. Only stored fields are
// members, so an export always reads back the same.
template <class R> struct Field : Column<R> {
    bool required;
};

// A table's stored fields in its order; `required` names the one that places
// a record (none when null).
template <class R> std::vector<Field<R>> FieldsOf(ColumnSpan<R> columns, const char* required = nullptr)
{
    std::vector<Field<R>> fields;
    for (const Column<R>& c : columns) {
        if (c.get)
            fields.push_back({c, required && std::strcmp(c.name, required) == 0});
    }
    return fields;
}

const std::vector<Field<City>>& CityFields()
{
    static const std::vector<Field<City>> fields = FieldsOf(CityDBController::Columns(), "locationId");
    return fields;
}

// The current record may lack a date; a daily entry is placed by its date.
const std::vector<Field<Current>>& CurrentFields()
{
    static const std::vector<Field<Current>> fields = FieldsOf(CurrentWeatherDBController::Columns());
    return fields;
}

const std::vector<Field<Weekly>>& DailyFields()
{
    static const std::vector<Field<Weekly>> fields = FieldsOf(WeeklyWeatherDBController::Columns(), "date");
    return fields;
}

const std::vector<Field<Hourly>>& HourlyFields()
{
    static const std::vector<Field<Hourly>> fields = FieldsOf(HourlyWeatherDBController::Columns(), "hour");
    return fields;
}

// Yesterday's hours keep fewer columns than the forecast hours.
const std::vector<Field<Hourly>>& YesterdayFields()
{
    static const std::vector<Field<Hourly>> fields = FieldsOf(YesterdayWeatherDBController::Columns(), "hour");
    return fields;
}

const std::vector<Field<LifeIndexRow>>& LifeIndexFields()
{
    static const std::vector<Field<LifeIndexRow>> fields = FieldsOf(LifeIndexWeatherDBController::Columns());
    return fields;
}

// The life index as its table's row, over the sub-records its Make gives it;
// null when it has none of them.
std::unique_ptr<LifeIndexRow> RowOf(const LifeIndexPtr& lifeIndex)
{
    if (!lifeIndex || !lifeIndex->GetPrecipitation() || !lifeIndex->GetWind())
        return nullptr;
    return std::make_unique<LifeIndexRow>(
        LifeIndexRow{*lifeIndex, *lifeIndex->GetPrecipitation(), *lifeIndex->GetWind()});
}

const std::vector<Field<MoonPhase>>& MoonPhaseFields()
{
    static const std::vector<Field<MoonPhase>> fields = FieldsOf(MoonPhaseDBController::Columns(), "date");
    return fields;
}

// ---- reading ----

bool HasMember(JsonNode* node, const char* name)
{
    return JSON_NODE_TYPE(node) == JSON_NODE_OBJECT && json_object_has_member(json_node_get_object(node), name);
}

std::string Found(JsonNode* node)
{
    switch (JSON_NODE_TYPE(node)) {
    case JSON_NODE_OBJECT:
        return _("an object");
    case JSON_NODE_ARRAY:
        return _("an array");
    case JSON_NODE_NULL:
        return "null";
    case JSON_NODE_VALUE:
        break;
    }
    GType type = json_node_get_value_type(node);
    if (type == G_TYPE_STRING)
        return _("text");
    if (type == G_TYPE_BOOLEAN)
        return _("true/false");
    if (type == G_TYPE_DOUBLE)
        return _("a number with a fraction");
    return _("a whole number");
}

bool ReadValue(JsonNode* node, ColumnKind kind, ColumnValue& v, std::string& why)
{
    const bool isValue = JSON_NODE_TYPE(node) == JSON_NODE_VALUE;
    const GType type = isValue ? json_node_get_value_type(node) : G_TYPE_INVALID;
    switch (kind) {
    case ColumnKind::Int32:
    case ColumnKind::Int64:
    case ColumnKind::Time: {
        if (type == G_TYPE_DOUBLE) {
            why = _("not an integer (a number with a fraction or an exponent)");
            return false;
        }
        if (type != G_TYPE_INT64) {
            why = tools::Format(_("expected a whole number, found %s"), Found(node).c_str());
            return false;
        }
        v.i = json_node_get_int(node);
        const int64_t low = kind == ColumnKind::Int32   ? std::numeric_limits<int32_t>::min()
                            : kind == ColumnKind::Int64 ? std::numeric_limits<int64_t>::min()
                                                        : 0;
        const int64_t high = kind == ColumnKind::Int32   ? std::numeric_limits<int32_t>::max()
                             : kind == ColumnKind::Int64 ? std::numeric_limits<int64_t>::max()
                                                         : std::numeric_limits<uint32_t>::max();
        if (v.i < low || v.i > high) {
            why = tools::Format(_("%s is outside %s"), std::to_string(v.i).c_str(),
                                (std::to_string(low) + ".." + std::to_string(high)).c_str());
            return false;
        }
        return true;
    }
    case ColumnKind::Double:
    case ColumnKind::Float:
    case ColumnKind::Temperature: {
        if (type != G_TYPE_INT64 && type != G_TYPE_DOUBLE) {
            why = tools::Format(_("expected a number, found %s"), Found(node).c_str());
            return false;
        }
        v.d = json_node_get_double(node); // converts an integer node as well
        char number[32];
        std::snprintf(number, sizeof number, "%g", v.d);
        if (!std::isfinite(v.d)) {
            why = tools::Format(_("%s is not a finite number"), number);
            return false;
        }
        if (kind == ColumnKind::Float && std::fabs(v.d) > FLT_MAX) {
            why = tools::Format(_("a single-precision field cannot hold %s"), number);
            return false;
        }
        // Tenths of a degree are what the device's readers take in 32 bits.
        if (kind == ColumnKind::Temperature && std::fabs(v.d) * 10.0 > std::numeric_limits<int32_t>::max()) {
            why = tools::Format(_("%s is outside %s"), number, "-214748364.7..214748364.7");
            return false;
        }
        return true;
    }
    case ColumnKind::Text:
        if (type != G_TYPE_STRING) {
            why = tools::Format(_("expected text, found %s"), Found(node).c_str());
            return false;
        }
        v.s = json_node_get_string(node);
        return true;
    case ColumnKind::Bool:
        if (type != G_TYPE_BOOLEAN) {
            why = tools::Format(_("expected true or false, found %s"), Found(node).c_str());
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
            Fail(path, tools::Format(_("expected an object, found %s"), Found(node).c_str()));
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
            return Fail(path + "." + unknown, _("unknown member"));

        for (const Field<R>& f : fields) {
            JsonNode* member = json_object_get_member(object, f.name);
            if (member == nullptr) {
                if (f.required)
                    return Fail(path + "." + f.name, _("required member is missing"));
                continue;
            }
            ColumnValue v;
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
            return Fail(listPath, tools::Format(_("expected an array, found %s"), Found(node).c_str()));
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
            if (!Record(current, CurrentFields(), *city->GetCurrent(), path + ".current"))
                return false;
        }
        if (JsonNode* lifeIndex = json_object_get_member(object, "lifeIndex")) {
            // A made city's life index has both sub-records (City and LifeIndex Init).
            std::unique_ptr<LifeIndexRow> row = RowOf(city->GetLifeIndex());
            if (row && !Record(lifeIndex, LifeIndexFields(), *row, path + ".lifeIndex"))
                return false;
        }
        return List(object, "daily", DailyFields(), path, *city->GetWeeklyPtrVector(), [] { return Weekly::Make(); }) &&
               List(object, "hourly", HourlyFields(), path, *city->GetHourlyPtrVector(),
                    [] { return Hourly::Make(); }) &&
               List(object, "yesterday", YesterdayFields(), path, *city->GetYesterdayHourPtrVector(),
                    [] { return Hourly::Make(); }) &&
               List(object, "moonPhases", MoonPhaseFields(), path, *city->GetMoonPhasePtrVector(),
                    [] { return MoonPhase::Make(); });
    }
};

// ---- writing ----

void AddValue(JsonBuilder* builder, ColumnKind kind, const ColumnValue& v)
{
    switch (kind) {
    case ColumnKind::Int32:
    case ColumnKind::Int64:
    case ColumnKind::Time:
        json_builder_add_int_value(builder, v.i);
        break;
    case ColumnKind::Double:
    case ColumnKind::Float:
    case ColumnKind::Temperature:
        json_builder_add_double_value(builder, v.d);
        break;
    case ColumnKind::Text:
        json_builder_add_string_value(builder, v.s.c_str());
        break;
    case ColumnKind::Bool:
        json_builder_add_boolean_value(builder, v.b);
        break;
    }
}

template <class R> void AddMembers(JsonBuilder* builder, const std::vector<Field<R>>& fields, const R& record)
{
    for (const Field<R>& f : fields) {
        ColumnValue v;
        f.get(record, v);
        json_builder_set_member_name(builder, f.name);
        AddValue(builder, f.kind, v);
    }
}

template <class R, class Pointer>
void AddObject(JsonBuilder* builder, const char* name, const std::vector<Field<R>>& fields, const Pointer& record)
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

// ---- comparing ----

// As the writer would tell them apart; a stored -0.0 reads back as 0.0,
// which is the same number.
bool SameValue(ColumnKind kind, const ColumnValue& a, const ColumnValue& b)
{
    switch (kind) {
    case ColumnKind::Int32:
    case ColumnKind::Int64:
    case ColumnKind::Time:
        return a.i == b.i;
    case ColumnKind::Double:
    case ColumnKind::Float:
    case ColumnKind::Temperature:
        return a.d == b.d;
    case ColumnKind::Text:
        return a.s == b.s;
    case ColumnKind::Bool:
        return a.b == b.b;
    }
    return false;
}

template <class R> bool SameMembers(const std::vector<Field<R>>& fields, const R& a, const R& b)
{
    for (const Field<R>& f : fields) {
        ColumnValue va, vb;
        f.get(a, va);
        f.get(b, vb);
        if (!SameValue(f.kind, va, vb))
            return false;
    }
    return true;
}

// A record never loaded is left out, as AddObject leaves it out.
template <class R, class Pointer>
bool SameObject(const std::vector<Field<R>>& fields, const Pointer& a, const Pointer& b)
{
    if (!a || !b)
        return !a && !b;
    return SameMembers(fields, *a, *b);
}

// Pairs the entries that are not null, in order, as the writer skips null ones.
template <class T, class Same>
bool SameEntries(const std::vector<std::shared_ptr<T>>& left, const std::vector<std::shared_ptr<T>>& right, Same same)
{
    size_t i = 0, j = 0;
    while (true) {
        while (i < left.size() && !left[i])
            ++i;
        while (j < right.size() && !right[j])
            ++j;
        if (i == left.size() || j == right.size())
            return i == left.size() && j == right.size();
        if (!same(*left[i++], *right[j++]))
            return false;
    }
}

// A missing list is written as an empty one.
template <class R>
bool SameList(const std::vector<Field<R>>& fields, const std::shared_ptr<std::vector<std::shared_ptr<R>>>& a,
              const std::shared_ptr<std::vector<std::shared_ptr<R>>>& b)
{
    static const std::vector<std::shared_ptr<R>> kNone;
    return SameEntries(a ? *a : kNone, b ? *b : kNone,
                       [&fields](const R& x, const R& y) { return SameMembers(fields, x, y); });
}

bool SameCity(const City& a, const City& b)
{
    return SameMembers(CityFields(), a, b) && SameObject(CurrentFields(), a.GetCurrent(), b.GetCurrent()) &&
           SameList(DailyFields(), a.GetWeeklyPtrVector(), b.GetWeeklyPtrVector()) &&
           SameList(HourlyFields(), a.GetHourlyPtrVector(), b.GetHourlyPtrVector()) &&
           SameList(YesterdayFields(), a.GetYesterdayHourPtrVector(), b.GetYesterdayHourPtrVector()) &&
           SameObject(LifeIndexFields(), RowOf(a.GetLifeIndex()), RowOf(b.GetLifeIndex())) &&
           SameList(MoonPhaseFields(), a.GetMoonPhasePtrVector(), b.GetMoonPhasePtrVector());
}

// JSON-GLib accepts texts that are not strict JSON (a NUL inside a string,
// unknown escapes, lone surrogates, a member given twice, a second document,
// hexadecimal or over-long integers) and reads them as something the writer
// did not mean. This pass walks the text once by the JSON grammar and refuses
// all of those, and brackets nested too deep, with their line, column and
// member, before JSON-GLib sees it.
class StrictScan {
public:
    explicit StrictScan(const std::string& text) : mText(text) {}

    std::string Run()
    {
        Space();
        if (mPos == mText.size())
            return std::string("(top): ") + _("the file is empty");
        if (Value()) {
            Space();
            if (mPos != mText.size())
                Fail(_("content after the end of the document"));
        }
        return mError;
    }

private:
    const std::string& mText;
    size_t mPos = 0;
    int mLine = 1;
    size_t mLineStart = 0;
    int mDepth = 0;
    std::string mMember;
    std::string mError;

    bool Fail(const std::string& why)
    {
        if (mError.empty())
            mError = mMember.empty()
                         ? tools::Format(_("line %d, column %zu: %s"), mLine, mPos - mLineStart + 1, why.c_str())
                         : tools::Format(_("line %d, column %zu (member %s): %s"), mLine, mPos - mLineStart + 1,
                                         mMember.c_str(), why.c_str());
        return false;
    }

    bool AtEnd() const { return mPos >= mText.size(); }
    char Peek() const { return AtEnd() ? '\0' : mText[mPos]; }

    void Space()
    {
        for (; !AtEnd(); ++mPos) {
            const char c = mText[mPos];
            if (c == '\n') {
                ++mLine;
                mLineStart = mPos + 1;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                return;
            }
        }
    }

    bool Value()
    {
        const char c = Peek();
        if (c == '{' || c == '[')
            return Nested(c);
        if (c == '"') {
            std::string ignored;
            return String(ignored);
        }
        if (c == '-' || (c >= '0' && c <= '9'))
            return Number();
        for (const char* word : {"true", "false", "null"}) {
            if (mText.compare(mPos, std::strlen(word), word) == 0) {
                mPos += std::strlen(word);
                return true;
            }
        }
        if (AtEnd())
            return Fail(_("the text ends before a value"));
        return Fail(tools::Format(_("unexpected character '%c'"), c));
    }

    bool Nested(char open)
    {
        if (++mDepth > kMaxDepth)
            return Fail(tools::Format(_("nesting deeper than %d levels"), kMaxDepth));
        const char close = open == '{' ? '}' : ']';
        ++mPos;
        Space();
        std::set<std::string> names;
        const std::string outer = mMember;
        bool first = true;
        while (Peek() != close) {
            if (!first) {
                if (Peek() != ',')
                    return Fail(tools::Format(_("expected ',' or '%c'"), close));
                ++mPos;
                Space();
            }
            first = false;
            if (open == '{') {
                std::string name;
                if (Peek() != '"')
                    return Fail(_("expected a member name"));
                if (!String(name))
                    return false;
                mMember = name;
                if (!names.insert(name).second)
                    return Fail(_("member given twice"));
                Space();
                if (Peek() != ':')
                    return Fail(_("expected ':'"));
                ++mPos;
                Space();
            }
            if (!Value())
                return false;
            Space();
        }
        ++mPos;
        --mDepth;
        mMember = outer;
        return true;
    }

    static int Hex(char c) { return g_ascii_xdigit_value(c); }

    bool Unicode(uint32_t& unit)
    {
        unit = 0;
        for (size_t k = 0; k < 4; ++k) {
            const int digit = mPos + 2 + k < mText.size() ? Hex(mText[mPos + 2 + k]) : -1;
            if (digit < 0)
                return Fail(tools::Format(_("invalid escape %s"), ("\\u" + mText.substr(mPos + 2, 4)).c_str()));
            unit = unit * 16 + static_cast<uint32_t>(digit);
        }
        mPos += 6;
        return true;
    }

    // Decodes the string at mPos into out (UTF-8).
    bool String(std::string& out)
    {
        ++mPos;
        while (true) {
            if (AtEnd())
                return Fail(_("the text ends inside a string"));
            const unsigned char c = static_cast<unsigned char>(mText[mPos]);
            if (c == '"') {
                ++mPos;
                return true;
            }
            if (c == 0)
                return Fail(_("NUL in a string"));
            if (c < 0x20)
                return Fail(_("control character in a string (write it as an escape)"));
            if (c != '\\') {
                out += static_cast<char>(c);
                ++mPos;
                continue;
            }
            const char e = mPos + 1 < mText.size() ? mText[mPos + 1] : '\0';
            const char* simple = std::strchr("\"\\/bfnrt", e);
            if (e != '\0' && simple != nullptr) {
                out += "\"\\/\b\f\n\r\t"[simple - "\"\\/bfnrt"];
                mPos += 2;
                continue;
            }
            if (e != 'u')
                return Fail(tools::Format(_("invalid escape %s"),
                                          ("\\" + (e == '\0' ? std::string() : std::string(1, e))).c_str()));
            uint32_t unit = 0;
            if (!Unicode(unit))
                return false;
            if (unit >= 0xDC00 && unit <= 0xDFFF)
                return Fail(_("lone surrogate in a string"));
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                uint32_t low = 0;
                if (mText.compare(mPos, 2, "\\u") != 0 || !Unicode(low))
                    return Fail(_("lone surrogate in a string"));
                if (low < 0xDC00 || low > 0xDFFF)
                    return Fail(_("lone surrogate in a string"));
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
            if (unit == 0)
                return Fail(_("NUL in a string"));
            char utf8[8];
            out.append(utf8, static_cast<size_t>(g_unichar_to_utf8(unit, utf8)));
        }
    }

    // The JSON number grammar, over the whole run of characters a number
    // could be mistaken for, so "0x3E" or "01" is refused as one token.
    bool Number()
    {
        size_t end = mPos;
        while (end < mText.size() && (g_ascii_isalnum(mText[end]) || std::strchr(".+-", mText[end]) != nullptr))
            ++end;
        const std::string token = mText.substr(mPos, end - mPos);
        size_t k = token[0] == '-' ? 1 : 0;
        auto digits = [&] {
            const size_t from = k;
            while (k < token.size() && g_ascii_isdigit(token[k]))
                ++k;
            return k > from;
        };
        const size_t intStart = k;
        bool valid = digits() && !(token[intStart] == '0' && k - intStart > 1);
        const bool integer = valid && k == token.size();
        const size_t intDigits = k - intStart;
        if (valid && k < token.size() && token[k] == '.') {
            ++k;
            valid = digits();
        }
        if (valid && k < token.size() && (token[k] == 'e' || token[k] == 'E')) {
            ++k;
            if (k < token.size() && (token[k] == '+' || token[k] == '-'))
                ++k;
            valid = digits();
        }
        if (!valid || k != token.size())
            return Fail(tools::Format(_("%s is not a JSON number"), token.c_str()));
        if (integer) {
            const std::string magnitude = token.substr(intStart);
            const char* limit = token[0] == '-' ? "9223372036854775808" : "9223372036854775807";
            if (intDigits > 19 || (intDigits == 19 && magnitude > limit))
                return Fail(tools::Format(_("%s is outside the range of any integer field"), token.c_str()));
        }
        mPos = end;
        return true;
    }
};

// "" or where the text stops being UTF-8. NUL bytes are left to the scan,
// which names them.
std::string CheckUtf8(const std::string& text)
{
    size_t pos = 0;
    while (pos < text.size()) {
        const void* nul = std::memchr(text.data() + pos, '\0', text.size() - pos);
        const size_t stop = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text.data()) : text.size();
        const gchar* bad = nullptr;
        if (!g_utf8_validate(text.data() + pos, static_cast<gssize>(stop - pos), &bad))
            return tools::Format(_("byte %td: the text is not UTF-8"), bad - text.data());
        pos = stop + 1;
    }
    return "";
}

} // namespace

namespace {

// The file's "cities" array: the text passes the checks of its bytes and
// nesting, parses, and its top object holds only known members and the known
// version. Null, with error set, otherwise.
JsonArray* CitiesOfFile(JsonParser* parser, const std::string& text, Reader& reader, std::string& error)
{
    error = CheckUtf8(text);
    if (error.empty())
        error = StrictScan(text).Run();
    if (!error.empty())
        return nullptr;
    g_autoptr(GError) parseError = nullptr;
    if (!json_parser_load_from_data(parser, text.data(), static_cast<gssize>(text.size()), &parseError)) {
        error = tools::Format(_("not JSON: %s"), parseError ? parseError->message : _("unreadable"));
        return nullptr;
    }
    JsonNode* root = json_parser_get_root(parser);
    if (root == nullptr) {
        error = std::string("(top): ") + _("the file is empty");
        return nullptr;
    }
    JsonObject* top = reader.Object(root, "(top)");
    if (top == nullptr) {
        error = reader.error;
        return nullptr;
    }
    GList* names = json_object_get_members(top);
    for (GList* l = names; l != nullptr && error.empty(); l = l->next) {
        std::string name = static_cast<const char*>(l->data);
        if (name != "version" && name != "cities")
            error = name + ": " + _("unknown member");
    }
    g_list_free(names);
    if (!error.empty())
        return nullptr;
    if (JsonNode* version = json_object_get_member(top, "version")) {
        ColumnValue v;
        std::string why;
        if (!ReadValue(version, ColumnKind::Int32, v, why) || v.i != kFormatVersion) {
            error = "version: " + (why.empty() ? tools::Format(_("only version %d is known"), kFormatVersion) : why);
            return nullptr;
        }
    }
    JsonNode* list = json_object_get_member(top, "cities");
    if (list == nullptr) {
        error = std::string("cities: ") + _("required member is missing");
        return nullptr;
    }
    if (JSON_NODE_TYPE(list) != JSON_NODE_ARRAY) {
        error = "cities: " + tools::Format(_("expected an array, found %s"), Found(list).c_str());
        return nullptr;
    }
    JsonArray* array = json_node_get_array(list);
    if (json_array_get_length(array) > kMaxCities) {
        const size_t count = json_array_get_length(array);
        error = "cities: " + tools::Format(P_("%zu city, more than the %zu a watch keeps",
                                              "%zu cities, more than the %zu a watch keeps", count),
                                           count, kMaxCities);
        return nullptr;
    }
    return array;
}

// Makes the city read at position i of the list storable (its position, the
// current-location suffix); an error text when it cannot be stored. ids holds
// the location ids of the cities before it.
std::string SettleCity(const CityPtr& city, JsonNode* node, guint i, const std::string& path,
                       std::set<std::string>& ids)
{
    if (city->GetLocationId().empty())
        return path + ".locationId: " + _("an empty id cannot be looked up");
    // Rows are numbered by position; another value would leave a gap a
    // lookup by position never reaches.
    if (city->GetPageIndex() != static_cast<int>(i) && HasMember(node, "pageIndex"))
        return path + ".pageIndex: " +
               tools::Format(_("%d is not the city's position %u in the list"), city->GetPageIndex(), i);
    city->SetPageIndex(static_cast<int>(i));
    // The database marks the current-location city by this suffix.
    if (city->GetIsCurrentLocation() && city->GetLocationId().find(kCurrentCitySuffix) == std::string::npos)
        city->SetLocationId(city->GetLocationId() + kCurrentCitySuffix);
    // Lookups by location id take the first match: a second city with
    // the same id could never be reached.
    if (!ids.insert(city->GetLocationId()).second)
        return path + ".locationId: " +
               tools::Format(_("\"%s\" is already used by an earlier city"), city->GetLocationId().c_str());
    return "";
}

} // namespace

bool ReadCityFile(const std::string& text, CityPtrVector& cities, std::string& error)
{
    cities.clear();
    g_autoptr(JsonParser) parser = json_parser_new();
    Reader reader;
    JsonArray* array = CitiesOfFile(parser, text, reader, error);
    if (array == nullptr)
        return false;
    std::set<std::string> ids;
    for (guint i = 0; i < json_array_get_length(array); ++i) {
        const std::string path = "cities[" + std::to_string(i) + "]";
        JsonNode* node = json_array_get_element(array, i);
        CityPtr city;
        if (!reader.ReadCity(node, path, city))
            error = reader.error;
        else
            error = SettleCity(city, node, i, path, ids);
        if (!error.empty()) {
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
        AddObject(b, "current", CurrentFields(), city->GetCurrent());
        AddList(b, "daily", DailyFields(), city->GetWeeklyPtrVector());
        AddList(b, "hourly", HourlyFields(), city->GetHourlyPtrVector());
        AddList(b, "yesterday", YesterdayFields(), city->GetYesterdayHourPtrVector());
        AddObject(b, "lifeIndex", LifeIndexFields(), RowOf(city->GetLifeIndex()));
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

bool SameCities(const CityPtrVector& expected, const CityPtrVector& stored)
{
    return SameEntries(expected, stored, SameCity);
}

} // namespace weatherctl
