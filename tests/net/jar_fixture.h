#pragma once

// Every test that touches the process's cookie jar gets a fresh one in a
// temporary directory.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "net/cookie_jar.h"

namespace lumo::net::testing {

class JarTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lumo-net-jar-XXXXXX";
        dir_ = mkdtemp(pattern);
        path_ = dir_ + "/data/cookies.txt";
        jar_ = CookieJar::Open(path_);
    }
    void TearDown() override {
        jar_.reset();
        CookieJar::Open("");  // leave no jar on a deleted file behind
        std::filesystem::remove_all(dir_);
    }
    // A restart: the jar is read again from its file.
    void Reopen() { jar_ = CookieJar::Open(path_); }

    std::string dir_;
    std::string path_;
    std::shared_ptr<CookieJar> jar_;
};

}  // namespace lumo::net::testing
