#include "Config.h"

#include "File.h"
#include "ShiftJis.h"
#include "System.h"

#include <cstdint>
#include <memory>
#include <new>

namespace {

const char kSource[] = "common/Config.cpp";

#define CONFIG_ASSERT(expr) \
    do { if (!(expr)) System::assertFailed(kSource, __LINE__, #expr); } while (0)

bool IsBreak(char c)
{
    return c == '\r' || c == '\n';
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

}  // namespace

int ConfigToInt(const std::string& text)
{
    const char* p = text.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) p++;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    uint64_t value = 0;
    bool overflow = false;
    for (; DigitValue(*p) < base; p++) {
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(DigitValue(*p));
        if (value > 0xFFFFFFFFull) {
            overflow = true;
            value = 0xFFFFFFFFull;
        }
    }
    uint32_t result = static_cast<uint32_t>(value);
    if (overflow) result = 0xFFFFFFFFu;
    else if (negative) result = 0u - result;
    return static_cast<int32_t>(result);
}

ConfigEntry::ConfigEntry()
{
}

ConfigEntry::~ConfigEntry()
{
}

std::string ConfigEntry::getKey() const
{
    return mKey;
}

bool ConfigEntry::addValue(const std::string& name, const std::string& value)
{
    if (mKey.empty()) mKey = name;
    mValues.insert(std::make_pair(name, value));   // a name given twice keeps its first value
    return true;
}

int ConfigEntry::getInt(const std::string& name, int defaultValue) const
{
    auto it = mValues.find(name);
    return it == mValues.end() ? defaultValue : ConfigToInt(it->second);
}

std::string ConfigEntry::getString(const std::string& name, const std::string& defaultValue) const
{
    auto it = mValues.find(name);
    return it == mValues.end() ? defaultValue : it->second;
}

ConfigSection::ConfigSection(const std::string& name) : mName(name)
{
}

ConfigSection::~ConfigSection()
{
    for (ConfigEntry* e : mEntries) delete e;
}

std::string ConfigSection::getName() const
{
    return mName;
}

ConfigEntry* ConfigSection::findEntry(const std::string& key) const
{
    for (ConfigEntry* e : mEntries) {
        if (e->getKey() == key) return e;
    }
    return nullptr;
}

int ConfigSection::getInt(const std::string& key, int defaultValue) const
{
    ConfigEntry* e = findEntry(key);
    return e ? e->getInt(key, defaultValue) : defaultValue;
}

std::string ConfigSection::getString(const std::string& key, const std::string& defaultValue) const
{
    ConfigEntry* e = findEntry(key);
    return e ? e->getString(key, defaultValue) : defaultValue;
}

bool ConfigSection::addEntry(ConfigEntry* _ent)
{
    CONFIG_ASSERT(_ent != NULL);
    if (_ent == nullptr) return false;
    mEntries.push_back(_ent);
    return true;
}

bool ConfigSection::removeEntry(ConfigEntry* _ent)
{
    CONFIG_ASSERT(_ent != NULL);
    if (_ent == nullptr) return false;
    for (auto it = mEntries.begin(); it != mEntries.end(); ++it) {
        if ((*it)->getKey() == _ent->getKey()) {
            mEntries.erase(it);
            break;
        }
    }
    return true;
}

Config::Config()
{
}

Config::~Config()
{
    for (auto& s : mSections) delete s.second;
}

ConfigSection* Config::getSection(const std::string& name) const
{
    auto it = mSections.find(name);
    return it == mSections.end() ? nullptr : it->second;
}

int Config::getInt(const std::string& section, const std::string& key, int defaultValue) const
{
    ConfigSection* s = getSection(section);
    return s ? s->getInt(key, defaultValue) : defaultValue;
}

std::string Config::getString(const std::string& section, const std::string& key,
                              const std::string& defaultValue) const
{
    ConfigSection* s = getSection(section);
    return s ? s->getString(key, defaultValue) : defaultValue;
}

const std::vector<ConfigEntry*>* Config::getEntries(const std::string& section) const
{
    ConfigSection* s = getSection(section);
    return s ? &s->entries() : nullptr;
}

bool Config::addSection(ConfigSection* _section)
{
    CONFIG_ASSERT(_section != NULL);
    if (_section == nullptr) return false;
    mSections.insert(std::make_pair(_section->getName(), _section));
    return true;
}

bool Config::removeSection(ConfigSection* _section)
{
    CONFIG_ASSERT(_section != NULL);
    if (_section == nullptr) return false;
    mSections.erase(_section->getName());
    return true;
}

ConfigEntry* Config::addEntry(const std::string& sectionName, const std::string& name,
                              const std::string& value, bool replace)
{
    ConfigSection* section = getSection(sectionName);
    if (section == nullptr) {
        section = new (std::nothrow) ConfigSection(sectionName);
        CONFIG_ASSERT(section != NULL);
        if (section == nullptr) return nullptr;
        addSection(section);
    }
    if (replace) {
        while (ConfigEntry* old = section->findEntry(name)) {
            section->removeEntry(old);
            delete old;
        }
    }
    ConfigEntry* entry = new (std::nothrow) ConfigEntry();
    CONFIG_ASSERT(entry != NULL);
    if (entry == nullptr) return nullptr;
    entry->addValue(name, value);
    section->addEntry(entry);
    return entry;
}

bool Config::load(File* _file)
{
    CONFIG_ASSERT(_file != NULL);
    if (_file == nullptr) return false;

    _file->seek(0, File::SEEK_FROM_START);   // a zip member refuses; it stands at 0 anyway
    int size = _file->size();
    if (size < 0) size = 0;
    if (size > MAX_TEXT_BYTES) return false;
    std::unique_ptr<char[]> buff(new (std::nothrow) char[static_cast<size_t>(size) + 1]);
    CONFIG_ASSERT(buff != NULL);
    if (buff == nullptr) return false;

    // Only the bytes actually read are text: a damaged zip member reads
    // short or negative, and the rest of the buffer was never written.
    int got = _file->read(buff.get(), size);
    if (got < 0) got = 0;
    buff[got] = '\0';

    if (!parse(buff.get())) return false;
    return got == size;
}

bool Config::parse(const char* text)
{
    ConfigSection* current = nullptr;
    const char* p = text;
    for (int lineNo = 1;; lineNo++) {
        const char* line = p;
        const char* end = line;
        while (*end != '\0' && !IsBreak(*end)) end++;
        const char* next = end;
        if (IsBreak(*next)) {
            next++;
            if (IsBreak(*next)) next++;
        }

        char first = line < end ? *line : '\0';
        if (first == '\0' || first == ' ' || first == '\t' || first == ';' || first == '#') {
            // skipped
        } else if (first == '[' || (first == '!' && line + 1 < end && line[1] == '[')) {
            bool replace = first == '!';
            const char* nameStart = line + (replace ? 2 : 1);
            const char* close = nameStart;
            while (close < end && *close != ']') close++;
            if (close >= end) {
                System::error("[Config]セクションの定義に誤りがあります(line %d)\n", lineNo);
                return false;
            }
            std::string name(nameStart, close);
            ConfigSection* old = getSection(name);
            if (old != nullptr && !replace) {
                current = old;
            } else {
                if (old != nullptr) {
                    removeSection(old);
                    delete old;
                }
                current = new (std::nothrow) ConfigSection(name);
                CONFIG_ASSERT(current != NULL);
                if (current == nullptr) return false;
                addSection(current);
            }
        } else {
            // An entry needs a section to go to: the files always open with
            // a header, so a line before any is a damaged file.
            if (current == nullptr) {
                System::error("[Config]セクションの定義に誤りがあります(line %d)\n", lineNo);
                return false;
            }
            std::unique_ptr<ConfigEntry> entry(new (std::nothrow) ConfigEntry());
            CONFIG_ASSERT(entry != NULL);
            if (entry == nullptr) return false;
            bool replace = first == '!';
            const char* q = line + (replace ? 1 : 0);
            for (bool firstPair = true;; firstPair = false) {
                const char* eq = q;
                while (eq < end && *eq != '=') eq++;
                if (eq >= end) {
                    System::error("[Config]エントリの値がありません(line %d)\n", lineNo);
                    return false;
                }
                std::string name(q, eq);
                std::string value;
                bool quoted = false;
                bool atComma = false;
                bool bad = false;
                q = eq + 1;
                while (q < end) {
                    unsigned char c = static_cast<unsigned char>(*q);
                    if (c == '"') {
                        quoted = !quoted;
                        q++;
                        continue;
                    }
                    if (c == '\\') {
                        if (++q >= end) { bad = true; break; }
                        c = static_cast<unsigned char>(*q);
                    } else if (c == ',' && !quoted) {
                        q++;
                        atComma = true;
                        break;
                    }
                    if (IsShiftJisLead(c)) {
                        if (q + 1 >= end) { bad = true; break; }
                        value += *q++;
                    }
                    value += *q++;
                }
                if (bad || quoted) {
                    System::error("[Config]エントリの値に誤りがあります(line %d)\n", lineNo);
                    return false;
                }
                if (replace && firstPair) {
                    while (ConfigEntry* old = current->findEntry(name)) {
                        current->removeEntry(old);
                        delete old;
                    }
                }
                entry->addValue(name, value);
                if (!atComma) break;
            }
            current->addEntry(entry.release());
        }

        if (*end == '\0') break;
        p = next;
    }
    return true;
}
