// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Included before anything else in every source of the core (see src/CMakeLists.txt): a Gui or
// Widgets header there stops the build, with this name in the error.
#define QTGUIGLOBAL_H
#define QTWIDGETSGLOBAL_H
#define Q_GUI_EXPORT the_core_may_not_include_QtGui_or_QtWidgets
#define Q_WIDGETS_EXPORT the_core_may_not_include_QtGui_or_QtWidgets
