#pragma once

#include <QByteArray>
#include <QString>

namespace sweeplight::foundation {

// The device's identifier as this app reports it to services. It is derived from the
// machine id with a keyed hash, so it is stable per machine, the same for every run of the
// app, and yet tells nothing about the machine id itself, which other software treats as
// confidential.
class DeviceId final {
public:
    // The identifier of this machine: 40 lower-case hexadecimal digits. Read once per process
    // from /etc/machine-id (or D-Bus's copy). Where neither exists, a random id is made once
    // and kept in the app's data folder.
    static QString identifier();

    // The identifier that belongs to a given machine id (white space around it ignored).
    static QString fromMachineId(const QByteArray& machineId);

    // Reads the first machine-id file of `candidates` that holds a non-empty id.
    static QByteArray readMachineId(const QStringList& candidates);
};

} // namespace sweeplight::foundation
