// Config: the player's INI-like settings files (config.txt of the player and
// of a music archive, skin.txt) parsed into sections of entries of
// name=value pairs. Loading a second file into one Config merges the two.
//
//   Config cfg;
//   cfg.load(archiveConfigFile);             // reports "[Config]...(line %d)" itself
//   cfg.load(playerConfigFile);              // merged into the same sections
//   std::string driver = cfg.getString("info", "driver", "");
//   int wait = cfg.getInt("option", "wait", 0);
//
// The syntax, byte by byte (names and values are Shift-JIS bytes, compared
// case-sensitively):
//   [section]        opens the section, or goes back to it when it exists
//   ![section]       drops the section (with its entries) and opens a new one
//   key=v,name=v2    one entry: pairs split at commas outside double quotes;
//                    the entry's key is its first name; a name given twice
//                    keeps its first value
//   !key=v           the entry replaces every earlier entry of that key
//   "..."            quotes switch on and off and are not stored
//   \x               the byte after a backslash is taken literally
//   ; # blank tab    a line starting so is skipped (so is an empty one)
// A Shift-JIS lead byte takes the next byte with it, so a trail byte 0x5C
// is no escape. Nothing is trimmed. Lines end at CR or LF; a second CR or LF
// right behind is part of the same break.
//
// Numbers convert as strtoul with base 0 would on a 32-bit machine (decimal,
// 0x hexadecimal, 0 octal), the result read as a signed 32-bit value.
#pragma once

#include "Object.h"

#include <map>
#include <string>
#include <vector>

class File;

class ConfigEntry {
public:
    ConfigEntry();
    virtual ~ConfigEntry();

    std::string getKey() const;
    bool addValue(const std::string& name, const std::string& value);
    int getInt(const std::string& name, int defaultValue) const;
    std::string getString(const std::string& name, const std::string& defaultValue) const;
    const std::map<std::string, std::string>& values() const { return mValues; }

private:
    std::string mKey;
    std::map<std::string, std::string> mValues;
};

class ConfigSection {
public:
    explicit ConfigSection(const std::string& name);
    virtual ~ConfigSection();

    std::string getName() const;
    ConfigEntry* findEntry(const std::string& key) const;
    int getInt(const std::string& key, int defaultValue) const;
    std::string getString(const std::string& key, const std::string& defaultValue) const;
    bool addEntry(ConfigEntry* entry);
    bool removeEntry(ConfigEntry* entry);   // not destroyed: the caller owns it again
    const std::vector<ConfigEntry*>& entries() const { return mEntries; }

    ConfigSection(const ConfigSection&) = delete;
    ConfigSection& operator=(const ConfigSection&) = delete;

private:
    std::string mName;
    std::vector<ConfigEntry*> mEntries;
};

class Config : public virtual Object {
public:
    Config();
    ~Config() override;

    // A configuration is a few kilobytes of text. The size a file declares
    // (a zip member's is whatever its directory says) is a claim: past this
    // the file is refused as damaged before anything is allocated or read.
    enum { MAX_TEXT_BYTES = 0x100000 };

    bool load(File* file);   // false for a damaged or oversized file
    ConfigSection* getSection(const std::string& name) const;
    int getInt(const std::string& section, const std::string& key, int defaultValue) const;
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;
    const std::vector<ConfigEntry*>* getEntries(const std::string& section) const;
    bool addSection(ConfigSection* section);
    bool removeSection(ConfigSection* section);   // not destroyed: the caller owns it again
    ConfigEntry* addEntry(const std::string& section, const std::string& name,
                          const std::string& value, bool replace);

private:
    bool parse(const char* text);
    std::map<std::string, ConfigSection*> mSections;
};

// A value text as a number: strtoul with base 0, 32 bits, read as signed.
int ConfigToInt(const std::string& text);
