#pragma once
// What the start-up benchmarks share: a prompter that asks nothing, a watch
// for a widget's first paint, and the simulator started for Lumo.
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "quiet_prompter.h"
#include "sim/catalogue.h"
#include "sim/simulator.h"

namespace lumo::bench {

// Tells the first paint of the widget it filters.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

inline bool WebEngineMapped() {
    std::ifstream maps("/proc/self/maps");
    const std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
    return text.find("libQt6WebEngineCore") != std::string::npos;
}

// Starts the simulator and points Lumo at it.
inline std::unique_ptr<lumo::sim::Simulator> StartSimulator(const QTemporaryDir& home, std::string* error) {
    lumo::sim::SimOptions options;
    lumo::sim::Catalogue::Options catalogue;
    catalogue.mediaDir = lumo::sim::Simulator::DefaultMediaDir();
    options.catalogue = lumo::sim::Catalogue::Build(catalogue, error);
    options.servicesFile = std::filesystem::path();
    if (!options.catalogue) return nullptr;
    auto sim = std::make_unique<lumo::sim::Simulator>(options);
    if (!sim->Start(error)) return nullptr;
    const std::string services = home.filePath(QStringLiteral("services.ini")).toStdString();
    std::ofstream(services) << sim->ServicesFileText();
    qputenv("LUMO_SERVICES", QByteArray::fromStdString(services));
    return sim;
}

}  // namespace lumo::bench
