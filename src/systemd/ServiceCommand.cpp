#include "systemd/ServiceCommand.h"

#include "systemd/UnitControl.h"

#include <QEventLoop>
#include <iostream>
#include <optional>

namespace {

constexpr char kProgramName[] = "glymconf";

struct Word {
    const char* word;
    std::optional<UnitControl::Command> command; // none: status only
};
constexpr Word kWords[] = {
    {"status", std::nullopt},
    {"start", UnitControl::Command::Start},
    {"stop", UnitControl::Command::Stop},
    {"restart", UnitControl::Command::Restart},
    {"reload", UnitControl::Command::Reload},
};

const Word* wordNamed(const QString& word) {
    for (const Word& known : kWords)
        if (word == QLatin1String(known.word))
            return &known;
    return nullptr;
}

void print(std::ostream& out, const QString& text) {
    out << text.toLocal8Bit().toStdString() << '\n';
}

int exitStatus(UnitControl::Outcome outcome) {
    switch (outcome) {
    case UnitControl::Outcome::Done:
        return 0;
    case UnitControl::Outcome::Refused:
    case UnitControl::Outcome::Failed:
        return 1;
    case UnitControl::Outcome::Unreachable:
        break;
    }
    return 2;
}

// The state line once the unit has been looked up; 2 with the problem when it cannot be driven.
int status(const UnitControl& unit) {
    if (unit.reach() != UnitControl::Reach::Ready) {
        std::cerr << kProgramName << ": ";
        print(std::cerr, unit.problem());
        return 2;
    }
    print(std::cout, unit.stateLine());
    return 0;
}

} // namespace

namespace servicecommand {

bool isCommandWord(const QString& word) {
    return wordNamed(word) != nullptr;
}

int run(const QString& word, const QString& unitName) {
    const Word* asked = wordNamed(word);
    UnitControl unit;
    QEventLoop loop;
    int exitCode = 2;
    bool started = false; // the command runs once, when the unit has been found
    QObject::connect(&unit, &UnitControl::changed, &loop, [&] {
        if (started || unit.reach() == UnitControl::Reach::Looking)
            return;
        started = true;
        if (!asked || !asked->command || unit.reach() != UnitControl::Reach::Ready) {
            exitCode = status(unit);
            loop.quit();
        } else {
            unit.run(*asked->command);
        }
    });
    QObject::connect(&unit, &UnitControl::finished, &loop,
                     [&](UnitControl::Command, UnitControl::Outcome outcome, const QString& message) {
                         exitCode = exitStatus(outcome);
                         if (outcome != UnitControl::Outcome::Done) {
                             std::cerr << kProgramName << ": ";
                             print(std::cerr, message);
                         }
                         if (unit.reach() == UnitControl::Reach::Ready)
                             print(std::cout, unit.stateLine());
                         loop.quit();
                     });
    unit.open(unitName);
    loop.exec();
    unit.close();
    return exitCode;
}

} // namespace servicecommand
