// An application context over a throw-away settings file, and control finders.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include <string>

#include "config/configuration_file.h"
#include "support/temp_dir.h"
#include "ui/app_context.h"
#include "ui/options_window.h"
#include "ui/qt_services.h"

namespace tarvox {

struct OptionsWindowContext {
    OptionsWindowContext() {
        context.paths.settings_file = dir / "tarvox.ini";
        context.services = &services;
    }

    Profile& AddProfile(const std::string& name, const std::string& host = "pop.example.org") {
        Profile profile;
        profile.name = name;
        profile.host = host;
        return AppendProfile(context.config.profiles, std::move(profile));
    }

    // The settings file as a new start would read it.
    Configuration Reload() {
        Configuration loaded;
        EXPECT_TRUE(LoadConfiguration(context.paths.settings_file, loaded, services));
        return loaded;
    }

    TempDir dir;
    QtServices services;
    AppContext context;
};

template <typename Widget = QLineEdit>
Widget* Control(QWidget* parent, const char* name) {
    auto* widget = parent->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

}  // namespace tarvox
