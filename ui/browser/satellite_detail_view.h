#pragma once

#include <memory>

#include <QDialog>

namespace zelvane {

class Satellite;

// Read-only sheet of everything the catalogue holds about one entry. Built
// from the entry's fields at construction; it holds the entry itself, so a
// catalogue reload while it is open does not change what it shows.
class SatelliteDetailView : public QDialog {
    Q_OBJECT
public:
    explicit SatelliteDetailView(std::shared_ptr<Satellite> satellite, QWidget* parent = nullptr);

    const std::shared_ptr<Satellite>& satellite() const { return satellite_; }

private:
    QWidget* header();
    QWidget* orbitalElementsSection();
    QWidget* tleSection();
    QWidget* transmittersSection();
    QWidget* passesSection();

    std::shared_ptr<Satellite> satellite_;
};

} // namespace zelvane
