#include "core/scenarios/Sensitivity.h"

#include <algorithm>
#include <cmath>

#include "core/engine/Calculation.h"
#include "core/scenarios/ScenarioComparison.h"

namespace tavo {

namespace Sensitivity {

double Bar::saldoWidth() const {
    return std::fabs(saldoOptimistic - saldoPessimistic);
}

double Bar::barwertWidth() const {
    return std::fabs(barwertOptimistic - barwertPessimistic);
}

Tornado compute(const EngineInput& base, const Scenarios::Settings& settings,
                const KeyFigureOptions& options) {
    Tornado tornado;
    tornado.costBearer = options.costBearer;
    tornado.discountRate = options.discountRate;
    const KeyFigures basis = computeKeyFigures(base, calculate(base), options);
    tornado.saldoBasis = basis.saldo;
    tornado.barwertBasis = basis.barwert;
    const QStringList names = Scenarios::parameterNames();
    for (const QString& name : names) {
        Bar bar;
        bar.parameter = name;
        bar.optimisticValue = Scenarios::parameterValue(settings.optimistic, name);
        bar.pessimisticValue = Scenarios::parameterValue(settings.pessimistic, name);
        // Only this parameter changed; the others keep the neutral values of a plain calculation.
        Scenarios::Parameters optimistic;
        Scenarios::setParameterValue(optimistic, name, bar.optimisticValue);
        Scenarios::Parameters pessimistic;
        Scenarios::setParameterValue(pessimistic, name, bar.pessimisticValue);
        const KeyFigures good = scenarioFigures(base, optimistic, options);
        const KeyFigures bad = scenarioFigures(base, pessimistic, options);
        bar.saldoOptimistic = good.saldo;
        bar.saldoPessimistic = bad.saldo;
        bar.barwertOptimistic = good.barwert;
        bar.barwertPessimistic = bad.barwert;
        tornado.bars << bar;
    }
    // A stable sort keeps the parameters' own order among bars of equal width.
    std::stable_sort(tornado.bars.begin(), tornado.bars.end(), [](const Bar& a, const Bar& b) {
        if (a.saldoWidth() != b.saldoWidth())
            return a.saldoWidth() > b.saldoWidth();
        return a.barwertWidth() > b.barwertWidth();
    });
    return tornado;
}

QString caption(const QString& parameter) {
    static const std::pair<const char*, const char*> captions[] = {
        {"Besiedelung_Verschiebung", "Besiedelung verschoben (Jahre, + später)"},
        {"Besiedelung_Streckung", "Besiedelung gestreckt (Faktor, > 1 langsamer)"},
        {"Baukosten_Prozent", "Baukosten (± %)"},
        {"Erhaltungskosten_Prozent", "Erhaltungs- und Betriebskosten (± %)"},
        {"Zinsen_Prozentpunkte", "Zinssätze (± Prozentpunkte)"},
        {"Bewohner_je_Wohneinheit_Prozent", "Bewohner je Wohneinheit (± %)"},
        {"Abgaben_Gebuehren_Steuern_Prozent", "Abgaben, Gebühren, Steuern (± %)"},
    };
    for (const auto& [stored, text] : captions)
        if (parameter == QLatin1String(stored))
            return QString::fromUtf8(text);
    return parameter;
}

} // namespace Sensitivity

} // namespace tavo
