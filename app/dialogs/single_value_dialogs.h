#pragma once
// The small parameter dialogs: diffusion, basinal sedimentation,
// compaction, the section's dimensions and the ramp dip.

#include "app/dialogs/dialog_conventions.h"
#include "core/model_parameters.h"

namespace vendrel {

// Erosion Parameters: the diffusion coefficient.
class CErosDlg : public ParameterDialog {
  public:
    CErosDlg(WindowServices& services, const ModelParameters& p, QWidget* parent = nullptr);
    void store(ModelParameters& p) const { p.diff_coeff = diff_coeff_; }

  private:
    double diff_coeff_;
};

// Basinal Sedimentation: threshold depth and rate.
class CsedsDlg : public ParameterDialog {
  public:
    CsedsDlg(WindowServices& services, const ModelParameters& p, QWidget* parent = nullptr);
    void store(ModelParameters& p) const {
        p.basin_threshold = threshold_;
        p.basin_sed_rate = rate_;
    }

  private:
    double threshold_, rate_;
};

// Compaction: switch, initial porosity and Athy's coefficient.
class CCompactDlg : public ParameterDialog {
  public:
    CCompactDlg(WindowServices& services, const ModelParameters& p, QWidget* parent = nullptr);
    void store(ModelParameters& p) const {
        p.phizero = phizero_;
        p.cvalue = cvalue_;
        p.includecompact = includecompact_;
    }

  private:
    std::int32_t includecompact_;
    double phizero_, cvalue_;
};

// Model Dimensions: width and height. On OK the sea level and the control
// points keep their heights above the base, the last control point follows
// the width and the ramp dip follows both.
class CInitialGeomDlg : public ParameterDialog {
  public:
    CInitialGeomDlg(WindowServices& services, const ModelParameters& p, QWidget* parent = nullptr);
    void store(ModelParameters& p) const;

  private:
    double width_, height_;
};

// Simple Ramp: the dip of the straight initial ramp, which sets the height.
class CRampDipDlg : public ParameterDialog {
  public:
    CRampDipDlg(WindowServices& services, const ModelParameters& p, QWidget* parent = nullptr);
    void store(ModelParameters& p) const;

  private:
    double dip_;
};

}  // namespace vendrel
