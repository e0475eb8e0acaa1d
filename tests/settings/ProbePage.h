#pragma once
// A page that counts how often its window was made and how often OK applied it.

#include "settings/SettingsPage.h"

class ProbePage : public SettingsPage {
public:
    explicit ProbePage(const QString& title) : SettingsPage(title) {}
    int inits = 0;
    int applied = 0;

protected:
    void OnInitDialog(QWidget* /*page*/) override { ++inits; }
    void OnOK() override { ++applied; }
};
