// A fresh, empty folder per test, made the current directory while the test
// runs (the log writer and the settings files work in the current folder).
#pragma once

#include <string>

class TestDir {
public:
    TestDir();                      // named after the running test
    ~TestDir();                     // back to the old folder; the files stay for a look
    const std::string& path() const { return m_path; }   // with a trailing separator
    std::string file(const std::string& name) const { return m_path + name; }

private:
    std::string m_path;
    std::string m_old;
};

// Whole-file helpers for checking what the code under test wrote.
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
std::string Inverted(std::string s);

// How many rounds a test that repeats something to catch an order fault
// runs: a few in the suite (nShort), TIV_SOAK_ROUNDS when tools/soak.sh
// sets it, to find the rare one.
int SoakRounds(int nShort);
