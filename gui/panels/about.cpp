#include "gui/panels/about.h"

#include <fftw3.h>
#include <qcustomplot.h>

#include <QtGlobal>

namespace pelorin {

std::string AboutText() {
    return std::string("<p><b>Pelorin ") + PELORIN_VERSION +
           "</b></p>"
           "<p>Designs SWIFT excitation waveforms for FT-ICR mass spectrometers and stores them "
           "as .swf files for the arbitrary waveform generator.</p>"
           "<p>Pelorin is free software: you can redistribute it and modify it under the terms "
           "of the GNU General Public License, version 3 or (at your option) any later version. "
           "It comes with no warranty.</p>"
           "<p>Built on Qt " +
           qVersion() + ", QCustomPlot " + QCUSTOMPLOT_VERSION_STR + " and " + fftw_version +
           ".</p>";
}

}  // namespace pelorin
