#include "os/linux/LinuxLocale.h"

#include <cctype>
#include <string_view>
#include <vector>

namespace os {

namespace {

struct LocaleRow {
    std::string_view Language;
    std::string_view Territory;
    std::uint16_t LangId;
    std::string_view Name;
};

// The first row of each language is the one taken for its other territories.
constexpr LocaleRow LocaleTable[] = {
    {"af", "ZA", 1078, "Afrikaans (South Africa)"},
    {"ar", "SA", 1025, "Arabic (Saudi Arabia)"},
    {"ar", "EG", 3073, "Arabic (Egypt)"},
    {"ar", "MA", 6145, "Arabic (Morocco)"},
    {"ar", "AE", 14337, "Arabic (U.A.E.)"},
    {"be", "BY", 1059, "Belarusian (Belarus)"},
    {"bg", "BG", 1026, "Bulgarian (Bulgaria)"},
    {"bn", "IN", 1093, "Bengali (India)"},
    {"bn", "BD", 2117, "Bengali (Bangladesh)"},
    {"ca", "ES", 1027, "Catalan (Catalan)"},
    {"cs", "CZ", 1029, "Czech (Czech Republic)"},
    {"cy", "GB", 1106, "Welsh (United Kingdom)"},
    {"da", "DK", 1030, "Danish (Denmark)"},
    {"de", "DE", 1031, "German (Germany)"},
    {"de", "CH", 2055, "German (Switzerland)"},
    {"de", "AT", 3079, "German (Austria)"},
    {"de", "LU", 4103, "German (Luxembourg)"},
    {"de", "LI", 5127, "German (Liechtenstein)"},
    {"el", "GR", 1032, "Greek (Greece)"},
    {"en", "US", 1033, "English (United States)"},
    {"en", "GB", 2057, "English (United Kingdom)"},
    {"en", "AU", 3081, "English (Australia)"},
    {"en", "CA", 4105, "English (Canada)"},
    {"en", "NZ", 5129, "English (New Zealand)"},
    {"en", "IE", 6153, "English (Ireland)"},
    {"en", "ZA", 7177, "English (South Africa)"},
    {"en", "PH", 13321, "English (Republic of the Philippines)"},
    {"en", "IN", 16393, "English (India)"},
    {"en", "SG", 18441, "English (Singapore)"},
    {"es", "ES", 3082, "Spanish (Spain, International Sort)"},
    {"es", "MX", 2058, "Spanish (Mexico)"},
    {"es", "CO", 9226, "Spanish (Colombia)"},
    {"es", "AR", 11274, "Spanish (Argentina)"},
    {"es", "CL", 13322, "Spanish (Chile)"},
    {"es", "US", 21514, "Spanish (United States)"},
    {"et", "EE", 1061, "Estonian (Estonia)"},
    {"eu", "ES", 1069, "Basque (Basque)"},
    {"fa", "IR", 1065, "Persian (Iran)"},
    {"fi", "FI", 1035, "Finnish (Finland)"},
    {"fil", "PH", 1124, "Filipino (Philippines)"},
    {"fr", "FR", 1036, "French (France)"},
    {"fr", "BE", 2060, "French (Belgium)"},
    {"fr", "CA", 3084, "French (Canada)"},
    {"fr", "CH", 4108, "French (Switzerland)"},
    {"fr", "LU", 5132, "French (Luxembourg)"},
    {"ga", "IE", 2108, "Irish (Ireland)"},
    {"gl", "ES", 1110, "Galician (Galician)"},
    {"he", "IL", 1037, "Hebrew (Israel)"},
    {"hi", "IN", 1081, "Hindi (India)"},
    {"hr", "HR", 1050, "Croatian (Croatia)"},
    {"hu", "HU", 1038, "Hungarian (Hungary)"},
    {"hy", "AM", 1067, "Armenian (Armenia)"},
    {"id", "ID", 1057, "Indonesian (Indonesia)"},
    {"is", "IS", 1039, "Icelandic (Iceland)"},
    {"it", "IT", 1040, "Italian (Italy)"},
    {"it", "CH", 2064, "Italian (Switzerland)"},
    {"ja", "JP", 1041, "Japanese (Japan)"},
    {"ka", "GE", 1079, "Georgian (Georgia)"},
    {"kk", "KZ", 1087, "Kazakh (Kazakhstan)"},
    {"ko", "KR", 1042, "Korean (Korea)"},
    {"lb", "LU", 1134, "Luxembourgish (Luxembourg)"},
    {"lt", "LT", 1063, "Lithuanian (Lithuania)"},
    {"lv", "LV", 1062, "Latvian (Latvia)"},
    {"mk", "MK", 1071, "Macedonian (North Macedonia)"},
    {"ms", "MY", 1086, "Malay (Malaysia)"},
    {"mt", "MT", 1082, "Maltese (Malta)"},
    {"nb", "NO", 1044, "Norwegian, Bokmal (Norway)"},
    {"nl", "NL", 1043, "Dutch (Netherlands)"},
    {"nl", "BE", 2067, "Dutch (Belgium)"},
    {"nn", "NO", 2068, "Norwegian, Nynorsk (Norway)"},
    {"pl", "PL", 1045, "Polish (Poland)"},
    {"pt", "BR", 1046, "Portuguese (Brazil)"},
    {"pt", "PT", 2070, "Portuguese (Portugal)"},
    {"ro", "RO", 1048, "Romanian (Romania)"},
    {"ru", "RU", 1049, "Russian (Russia)"},
    {"sk", "SK", 1051, "Slovak (Slovakia)"},
    {"sl", "SI", 1060, "Slovenian (Slovenia)"},
    {"sq", "AL", 1052, "Albanian (Albania)"},
    {"sr", "RS", 10266, "Serbian (Cyrillic, Serbia)"},
    {"sr", "RS@latin", 9242, "Serbian (Latin, Serbia)"},
    {"sv", "SE", 1053, "Swedish (Sweden)"},
    {"sv", "FI", 2077, "Swedish (Finland)"},
    {"sw", "KE", 1089, "Kiswahili (Kenya)"},
    {"ta", "IN", 1097, "Tamil (India)"},
    {"th", "TH", 1054, "Thai (Thailand)"},
    {"tr", "TR", 1055, "Turkish (Turkey)"},
    {"uk", "UA", 1058, "Ukrainian (Ukraine)"},
    {"ur", "PK", 1056, "Urdu (Islamic Republic of Pakistan)"},
    {"vi", "VN", 1066, "Vietnamese (Vietnam)"},
    {"zh", "CN", 2052, "Chinese (Simplified, PRC)"},
    {"zh", "TW", 1028, "Chinese (Traditional, Taiwan)"},
    {"zh", "HK", 3076, "Chinese (Traditional, Hong Kong S.A.R.)"},
    {"zh", "SG", 4100, "Chinese (Simplified, Singapore)"},
};

constexpr std::uint16_t EnglishUnitedStates = 1033;

// Old language codes that glibc still accepts.
std::string_view CurrentCode(std::string_view language) {
    if (language == "no")
        return "nb";
    if (language == "iw")
        return "he";
    if (language == "in")
        return "id";
    return language;
}

std::string Lower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

// One element of a strftime format: a conversion letter, or literal text (Conversion 0).
struct FormatToken {
    char Conversion = 0;
    std::string Literal;
};

std::vector<FormatToken> Tokenize(const std::string& format) {
    std::vector<FormatToken> tokens;
    auto literal = [&tokens](char c) {
        if (tokens.empty() || tokens.back().Conversion != 0)
            tokens.push_back({});
        tokens.back().Literal += c;
    };
    std::string text = format;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 >= text.size()) {
            literal(text[i]);
            continue;
        }
        std::size_t j = i + 1;
        // glibc flags and width, then the E and O modifiers, carry no field information.
        while (j < text.size() &&
               (std::string_view("_-0^#").find(text[j]) != std::string_view::npos ||
                std::isdigit(static_cast<unsigned char>(text[j]))))
            ++j;
        if (j < text.size() && (text[j] == 'E' || text[j] == 'O'))
            ++j;
        if (j >= text.size())
            break;
        const char conversion = text[j];
        std::string_view expansion;
        switch (conversion) {
        case 'D':
            expansion = "%m/%d/%y";
            break;
        case 'F':
            expansion = "%Y-%m-%d";
            break;
        case 'T':
            expansion = "%H:%M:%S";
            break;
        case 'R':
            expansion = "%H:%M";
            break;
        case 'r':
            expansion = "%I:%M:%S %p";
            break;
        default:
            break;
        }
        if (!expansion.empty()) {
            text.replace(i, j - i + 1, expansion);
            --i;
            continue;
        }
        if (conversion == '%')
            literal('%');
        else if (conversion == 'n')
            literal('\n');
        else if (conversion == 't')
            literal('\t');
        else
            tokens.push_back({conversion, {}});
        i = j;
    }
    return tokens;
}

} // namespace

std::uint16_t LangIdOfLocale(const std::string& localeName) {
    std::string_view name = localeName;
    std::string_view modifier;
    if (const std::size_t at = name.find('@'); at != std::string_view::npos) {
        modifier = name.substr(at);
        name = name.substr(0, at);
    }
    if (const std::size_t dot = name.find('.'); dot != std::string_view::npos)
        name = name.substr(0, dot);
    if (name.empty() || name == "C" || name == "POSIX")
        return EnglishUnitedStates;
    const std::size_t underscore = name.find('_');
    const std::string language = Lower(CurrentCode(name.substr(0, underscore)));
    const std::string territory =
        underscore == std::string_view::npos ? std::string() : Upper(name.substr(underscore + 1));
    const std::string withModifier = territory + std::string(modifier);

    if (!modifier.empty())
        for (const LocaleRow& row : LocaleTable)
            if (row.Language == language && row.Territory == withModifier)
                return row.LangId;
    const LocaleRow* first = nullptr;
    for (const LocaleRow& row : LocaleTable) {
        if (row.Language != language)
            continue;
        if (row.Territory == territory)
            return row.LangId;
        if (first == nullptr)
            first = &row;
    }
    return first != nullptr ? first->LangId : EnglishUnitedStates;
}

std::string LanguageNameOf(std::uint16_t langId) {
    for (const LocaleRow& row : LocaleTable)
        if (row.LangId == langId)
            return std::string(row.Name);
    return "Language Neutral";
}

std::string ShortDateOfFormat(const std::string& dateFormat, std::string& separator) {
    struct Field {
        char Kind; // 'd', 'M' or 'y'
        std::string Pattern;
        std::string Before; // literal text between this field and the previous one
    };
    std::vector<Field> fields;
    std::string pending;
    for (const FormatToken& token : Tokenize(dateFormat)) {
        if (token.Conversion == 0) {
            pending += token.Literal;
            continue;
        }
        switch (token.Conversion) {
        case 'd':
            fields.push_back({'d', "dd", pending});
            break;
        case 'e':
            fields.push_back({'d', "d", pending});
            break;
        case 'm':
            fields.push_back({'M', "MM", pending});
            break;
        case 'y':
            fields.push_back({'y', "yy", pending});
            break;
        case 'Y':
        case 'G':
            fields.push_back({'y', "yyyy", pending});
            break;
        default:
            break; // week days, month names and eras have no place in the pattern
        }
        pending.clear();
    }
    const bool complete = fields.size() == 3 && fields[0].Kind != fields[1].Kind &&
                          fields[0].Kind != fields[2].Kind && fields[1].Kind != fields[2].Kind;
    if (!complete) {
        separator = "/";
        return "MM/dd/yyyy";
    }
    const std::string& sep = fields[1].Before;
    const bool usable = sep.size() == 1 && sep == fields[2].Before &&
                        static_cast<unsigned char>(sep[0]) < 0x80 &&
                        std::ispunct(static_cast<unsigned char>(sep[0]));
    separator = usable ? sep : "/";
    return fields[0].Pattern + separator + fields[1].Pattern + separator + fields[2].Pattern;
}

std::string TimeSeparatorOfFormat(const std::string& timeFormat) {
    const std::vector<FormatToken> tokens = Tokenize(timeFormat);
    for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
        const char hour = tokens[i].Conversion;
        if ((hour == 'H' || hour == 'I' || hour == 'k' || hour == 'l') &&
            tokens[i + 1].Conversion == 0 && tokens[i + 2].Conversion == 'M') {
            const std::string& sep = tokens[i + 1].Literal;
            // Hours, minutes and seconds are joined by one mark, never by words or blanks.
            if (sep.size() == 1 && static_cast<unsigned char>(sep[0]) < 0x80 &&
                std::ispunct(static_cast<unsigned char>(sep[0])))
                return sep;
            break;
        }
    }
    return ":";
}

} // namespace os
