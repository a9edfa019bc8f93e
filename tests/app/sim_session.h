#pragma once

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "sim/catalogue.h"
#include "sim/simulator.h"

// The service simulator in-process on free ports. Null, with the reason,
// when the catalogue or a service cannot start.
inline std::unique_ptr<lumo::sim::Simulator> StartSimulator(std::string* error, lumo::sim::SimOptions options = {}) {
    if (!options.catalogue) {
        lumo::sim::Catalogue::Options catalogue;
        catalogue.mediaDir = lumo::sim::Simulator::DefaultMediaDir();
        options.catalogue = lumo::sim::Catalogue::Build(catalogue, error);
        if (!options.catalogue) return nullptr;
    }
    options.servicesFile = std::filesystem::path();
    auto sim = std::make_unique<lumo::sim::Simulator>(options);
    if (!sim->Start(error)) return nullptr;
    return sim;
}

// Points Lumo at `sim`: its services file is written into `home` and named
// by LUMO_SERVICES.
inline void PointLumoAt(const lumo::sim::Simulator& sim, const QString& home) {
    const std::string services = (std::filesystem::path(home.toStdString()) / "services.ini").string();
    std::ofstream(services) << sim.ServicesFileText();
    qputenv("LUMO_SERVICES", QByteArray::fromStdString(services));
}

// The simulator started with Lumo pointed at it.
inline std::unique_ptr<lumo::sim::Simulator> StartSimulatorFor(const QString& home, std::string* error,
                                                               lumo::sim::SimOptions options = {}) {
    auto sim = StartSimulator(error, std::move(options));
    if (sim) PointLumoAt(*sim, home);
    return sim;
}
