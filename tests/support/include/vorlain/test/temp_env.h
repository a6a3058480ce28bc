// An isolated environment for one test: TMPDIR, HOME and the XDG folders all
// point into a fresh temporary folder that is removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace vorlain::test {

class TempEnvironment {
public:
    TempEnvironment();
    ~TempEnvironment();
    TempEnvironment(const TempEnvironment&) = delete;
    TempEnvironment& operator=(const TempEnvironment&) = delete;

    /** The fresh root folder, without a trailing '/'. */
    const std::string& root() const { return m_root; }
    /** root() + "/" + name, created as a folder. */
    std::string makeDir(const std::string& name) const;
    /** root() + "/" + name (not created). */
    std::string path(const std::string& name) const { return m_root + "/" + name; }

private:
    std::string m_root;
    std::map<std::string, std::optional<std::string>> m_saved;
};

/** Fixture base: every test gets its own TempEnvironment. */
class IsolatedTest : public ::testing::Test {
protected:
    void SetUp() override { m_env.emplace(); }
    void TearDown() override { m_env.reset(); }
    TempEnvironment& env() { return *m_env; }

private:
    std::optional<TempEnvironment> m_env;
};

/** Removes a folder tree; missing is fine. */
void RemoveTree(const std::string& path);
/** Whether a path exists (file or folder). */
bool Exists(const std::string& path);
/** Names in a folder, sorted, without "." and "..". */
std::vector<std::string> ListDir(const std::string& path);

} // namespace vorlain::test
