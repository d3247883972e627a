#pragma once

// QScintilla's headers use the plain signals/slots keywords, which the
// project switches off (QT_NO_KEYWORDS); include them only through here.
#ifndef signals
#define FEEDLINE_QSCI_SIGNALS
#define signals Q_SIGNALS
#endif
#ifndef slots
#define FEEDLINE_QSCI_SLOTS
#define slots Q_SLOTS
#endif

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qscilexercustom.h>
#include <Qsci/qsciscintilla.h>

#ifdef FEEDLINE_QSCI_SIGNALS
#undef signals
#undef FEEDLINE_QSCI_SIGNALS
#endif
#ifdef FEEDLINE_QSCI_SLOTS
#undef slots
#undef FEEDLINE_QSCI_SLOTS
#endif
