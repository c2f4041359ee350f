#include "testdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

TestDir::TestDir()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "tiv";
    fs::path p = fs::temp_directory_path() / "tiv-tests" / name;
    std::error_code ec;
    fs::remove_all(p, ec);
    fs::create_directories(p);
    m_old = fs::current_path().string();
    fs::current_path(p);
    m_path = p.string();
    if (m_path.back() != '/' && m_path.back() != '\\') m_path += static_cast<char>(fs::path::preferred_separator);
}

TestDir::~TestDir()
{
    std::error_code ec;
    fs::current_path(m_old, ec);
}

std::string ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Inverted(std::string s)
{
    for (auto& c : s) c = static_cast<char>(~static_cast<unsigned char>(c));
    return s;
}

int SoakRounds(int nShort)
{
    const char* p = std::getenv("TIV_SOAK_ROUNDS");
    if (p == nullptr || *p == '\0') return nShort;
    char* end = nullptr;
    long n = std::strtol(p, &end, 10);
    return (*end == '\0' && n > 0 && n <= 100000) ? static_cast<int>(n) : nShort;
}
