// lumo-cli started as its own process, once per command, against a
// simulator running in the test program; each test has a home of its own.
#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/catalogue.h"
#include "sim/simulator.h"

namespace lumo::cli::testing {

struct Ran {
    int code = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "cli_test";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
        sim::SimOptions options;
        sim::Catalogue::Options catalogue;
        catalogue.mediaDir = sim::Simulator::DefaultMediaDir();
        std::string error;
        options.catalogue = sim::Catalogue::Build(catalogue, &error);
        ASSERT_NE(options.catalogue, nullptr) << error;
        options.servicesFile = std::filesystem::path();
        sim_ = new sim::Simulator(options);
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    static void TearDownTestSuite() {
        delete sim_;
        sim_ = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(sim_, nullptr);
        ASSERT_TRUE(home_.isValid());
        services_ = WriteServices(sim_->ServicesFileText());
    }

    std::filesystem::path Home() const { return home_.path().toStdString(); }

    // A services file in the home.
    std::string WriteServices(const std::string& text, const std::string& name = "services.ini") {
        const std::string path = (Home() / name).string();
        std::ofstream(path) << text;
        return path;
    }
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        const std::string path = (Home() / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Runs lumo-cli with `args`; `keys` are typed on its standard input
    // `keyDelayMs` after the start, then the input ends.
    Ran Cli(const std::vector<std::string>& args, const std::string& keys = {}, int keyDelayMs = 0,
            const std::string& services = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LUMO_HOME", QString::fromStdString(Home().string()));
        environment.insert("LUMO_SERVICES", QString::fromStdString(services.empty() ? services_ : services));
        environment.insert("LUMO_ENGINE_VO", "null");
        environment.insert("LUMO_ENGINE_AO", "null");
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        process.setProcessEnvironment(environment);
        QStringList arguments;
        for (const std::string& arg : args) arguments << QString::fromStdString(arg);
        process.start(LUMO_CLI_PATH, arguments);
        Ran ran;
        if (!process.waitForStarted(10000)) return ran;
        if (keyDelayMs > 0) QThread::msleep(static_cast<unsigned long>(keyDelayMs));
        if (!keys.empty()) process.write(keys.data(), static_cast<qint64>(keys.size()));
        process.closeWriteChannel();
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "lumo-cli did not end";
        }
        ran.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        ran.out = process.readAllStandardOutput().toStdString();
        ran.err = process.readAllStandardError().toStdString();
        return ran;
    }

    static const sim::Catalogue& Catalogue() { return sim_->catalogue(); }
    static const sim::CatalogueEntry& FirstOf(sim::EntryKind kind) { return Catalogue().FirstOfKind(kind); }
    static const sim::MediaFile& MediaOf(const sim::CatalogueEntry& entry) {
        return *Catalogue().MediaOf(entry.files.front());
    }

    static inline sim::Simulator* sim_ = nullptr;
    QTemporaryDir home_;
    std::string services_;
};

// Lines of a text, without their line breaks.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// The tab-separated cells of a line.
inline std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return cells;
        start = tab + 1;
    }
}

}  // namespace lumo::cli::testing
