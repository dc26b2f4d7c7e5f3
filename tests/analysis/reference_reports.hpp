#pragma once
/// Reports exactly as an engineer sees them for four reference designs, every
/// column significant. Each starts with the empty line that opens the title block.

#include <string_view>

namespace quill::golden {

/// Default symmetrical 8.34 dB, N = 3, lossless, 2000..10000 MHz step 500, VSWR format.
inline constexpr std::string_view kDefaultRoadReport = R"REPORT(
      ------------------------------------------------------------------------
      Quillomate (v. 1.3)                     Date: 7/ 5/2026 at  9: 5: 3Hours
                RF/Microwave Computer-Aided Engineering Design Data For
                       N-Section TEM-Mode Directional Couplers:

            The following Analysis is for a 3-Section TEM-Mode Directional
            Coupler with RF Input signal at Port 1. All Phase Angles are in
            Degrees. The Coupled, Isolated and Loss values are in decibels.
            Center Frequency =   6000.000 MHz.

            Operating frequency range:   4000.000 to   8000.000 MHz.
            Coupling value across operating frequency =  8.34 +/- 0.3 dB.

        Coupled    Impedances           Phase Velocity Loss,dB/Inch
        Section   Zoe    Zoo   Coupling  Even   Odd    Even   Odd   Length
           I      Ohms   Ohms     dB     Mode   Mode   Mode   Mode  Inches
        ------- ------- ------ -------- ------ ------ ------ ------ ------
           1     54.835 45.591  20.720  1.000  1.000  0.000  0.000  0.3318
           2     88.649 28.201   5.725  1.000  1.000  0.000  0.000  0.3318
           3     54.835 45.591  20.720  1.000  1.000  0.000  0.000  0.3318
       In a dielectric with Er =  2.20, Total Length of Coupler =   0.9954

                      Frequency Response of your Directional Coupler:
        Frequency   Port 1  Port 2  Port 3   Port 4 *PHI2 -  *Deviation*
          (MHZ)      VSWR  Coupled Isolated   Loss  *PHI4,Deg*from 90deg
        ----------------------------------------------------------------
         2000.000   1.000   -9.715  -90.00   -0.490    90.00    0.000
         2500.000   1.000   -8.751  -90.00   -0.621    90.00    0.000
         3000.000   1.000   -8.245  -90.00   -0.705    90.00    0.000
         3500.000   1.000   -8.055  -90.00   -0.739    90.00    0.000
         4000.000   1.000   -8.079  -90.00   -0.735    90.00    0.000
         4500.000   1.000   -8.231  -90.00   -0.707    90.00    0.000
         5000.000   1.000   -8.426  -90.00   -0.674    90.00    0.000
         5500.000   1.000   -8.583  -90.00   -0.648    90.00    0.000
         6000.000   1.000   -8.643  -90.00   -0.638    90.00    0.000
         6500.000   1.000   -8.583  -90.00   -0.648    90.00    0.000
         7000.000   1.000   -8.426  -90.00   -0.674    90.00    0.000
         7500.000   1.000   -8.231  -90.00   -0.707    90.00   -0.000
         8000.000   1.000   -8.079  -90.00   -0.735    90.00    0.000
         8500.000   1.000   -8.055  -90.00   -0.739    90.00    0.000
         9000.000   1.000   -8.245  -90.00   -0.705    90.00   -0.000
         9500.000   1.000   -8.751  -90.00   -0.621    90.00    0.000
        10000.000   1.000   -9.715  -90.00   -0.490    90.00   -0.000
      ------------------------------------------------------------------------
)REPORT";

/// Typed 2-section design (60 and 90 ohms at 6000 and 4000 MHz), velocity 0.95, 1 dB/inch,
/// 3000..9000 MHz step 1000, scattering-parameter format, stored in report.txt.
inline constexpr std::string_view kTypedFormat1Report = R"REPORT(
      ------------------------------------------------------------------------
      Quillomate (v. 1.3)                     Date: 7/ 5/2026 at  9: 5: 3Hours
                RF/Microwave Computer-Aided Engineering Design Data For
                       N-Section TEM-Mode Directional Couplers:

            The following Analysis is for a 2-Section TEM-Mode Directional
            Coupler with RF Input signal at Port 1. All Phase Angles are in
            Degrees. The Coupled, Isolated and Loss values are in decibels.
            Center Frequency =   4000.000 MHz.

        Coupled    Impedances           Phase Velocity Loss,dB/Inch
        Section   Zoe    Zoo   Coupling  Even   Odd    Even   Odd   Length
           I      Ohms   Ohms     dB     Mode   Mode   Mode   Mode  Inches
        ------- ------- ------ -------- ------ ------ ------ ------ ------
           1     60.000 41.667  14.879  1.000  0.950  1.000  1.000  0.3318
           2     90.000 27.778   5.542  1.000  0.950  1.000  1.000  0.4977
       In a dielectric with Er =  2.20, Total Length of Coupler =   0.8295

                         Frequency Response of your Directional Coupler:
       Frequency    Port 1: S11    Port 2: S21     Port 3: S31    Port 4: S41
         (MHz)      RL    Phase  Coupled  Phase  Isolated Phase  Thru   Phase 
      ------------------------------------------------------------------------
        3000.000  -29.1  174.32  -8.738  -90.52   -26.36 139.16 -1.535 -131.86
        4000.000  -25.9   97.91  -9.932 -170.95   -23.56  94.76 -1.552 -175.46
        5000.000  -24.8   21.50  -9.374  105.27   -22.02  49.56 -1.738  140.69
        6000.000  -25.1  -53.58  -8.993   40.12   -20.78   9.60 -1.858   98.30
        7000.000  -26.2 -136.39 -11.501  -12.11   -18.76 -30.84 -1.647   55.39
        8000.000  -27.5  115.51 -22.116  -28.89   -16.83 -79.36 -1.441    9.62
        9000.000  -25.5   -3.65 -14.383   27.25   -16.31-130.07 -1.696  -36.84
      ------------------------------------------------------------------------
        Output Data stored in User filename: report.txt          
)REPORT";

/// The same design re-run over 5000..7000 MHz step 500 in the VSWR format.
inline constexpr std::string_view kTypedFormat2Report = R"REPORT(
      ------------------------------------------------------------------------
      Quillomate (v. 1.3)                     Date: 7/ 5/2026 at  9: 5: 3Hours
                RF/Microwave Computer-Aided Engineering Design Data For
                       N-Section TEM-Mode Directional Couplers:

            The following Analysis is for a 2-Section TEM-Mode Directional
            Coupler with RF Input signal at Port 1. All Phase Angles are in
            Degrees. The Coupled, Isolated and Loss values are in decibels.
            Center Frequency =   4000.000 MHz.

        Coupled    Impedances           Phase Velocity Loss,dB/Inch
        Section   Zoe    Zoo   Coupling  Even   Odd    Even   Odd   Length
           I      Ohms   Ohms     dB     Mode   Mode   Mode   Mode  Inches
        ------- ------- ------ -------- ------ ------ ------ ------ ------
           1     60.000 41.667  14.879  1.000  0.950  1.000  1.000  0.3318
           2     90.000 27.778   5.542  1.000  0.950  1.000  1.000  0.4977
       In a dielectric with Er =  2.20, Total Length of Coupler =   0.8295

                      Frequency Response of your Directional Coupler:
        Frequency   Port 1  Port 2  Port 3   Port 4 *PHI2 -  *Deviation*
          (MHZ)      VSWR  Coupled Isolated   Loss  *PHI4,Deg*from 90deg
        ----------------------------------------------------------------
         5000.000   1.123   -9.374  -22.02   -1.738    35.42  -54.579
         5500.000   1.122   -8.960  -21.46   -1.834    48.84  -41.156
         6000.000   1.118   -8.993  -20.78   -1.858    58.18  -31.815
         6500.000   1.112   -9.725  -19.86   -1.788    64.37  -25.627
         7000.000   1.103  -11.501  -18.76   -1.647    67.49  -22.506
      ------------------------------------------------------------------------
        Output Data stored in User filename: report.txt          
)REPORT";

/// Filed 5-section design at 2000 MHz in Er 3.0, 500..4000 MHz step 250, stored in dims.txt.
inline constexpr std::string_view kFiledFiveSectionReport = R"REPORT(
      ------------------------------------------------------------------------
      Quillomate (v. 1.3)                     Date: 7/ 5/2026 at  9: 5: 3Hours
                RF/Microwave Computer-Aided Engineering Design Data For
                       N-Section TEM-Mode Directional Couplers:

            The following Analysis is for a 5-Section TEM-Mode Directional
            Coupler with RF Input signal at Port 1. All Phase Angles are in
            Degrees. The Coupled, Isolated and Loss values are in decibels.
            Center Frequency =   2000.000 MHz.

        Coupled    Impedances           Phase Velocity Loss,dB/Inch
        Section   Zoe    Zoo   Coupling  Even   Odd    Even   Odd   Length
           I      Ohms   Ohms     dB     Mode   Mode   Mode   Mode  Inches
        ------- ------- ------ -------- ------ ------ ------ ------ ------
           1     86.500 28.902   6.036  1.000  1.000  0.000  0.000  0.8524
           2     71.560 34.936   9.271  1.000  1.000  0.000  0.000  0.8524
           3     61.970 40.342  13.498  1.000  1.000  0.000  0.000  0.8524
           4     55.990 44.651  18.964  1.000  1.000  0.000  0.000  0.8524
           5     52.470 47.646  26.342  1.000  1.000  0.000  0.000  0.8524
       In a dielectric with Er =  3.00, Total Length of Coupler =   4.2619

                      Frequency Response of your Directional Coupler:
        Frequency   Port 1  Port 2  Port 3   Port 4 *PHI2 -  *Deviation*
          (MHZ)      VSWR  Coupled Isolated   Loss  *PHI4,Deg*from 90deg
        ----------------------------------------------------------------
          500.000   1.000   -9.823  -90.00   -0.478   140.49   50.494
          750.000   1.000  -10.089  -90.00   -0.448     2.22  -87.780
         1000.000   1.000  -10.148  -90.00   -0.441   122.94   32.937
         1250.000   1.000   -9.712  -90.00   -0.491    72.08  -17.919
         1500.000   1.000  -10.159  -90.00   -0.440    20.20  -69.798
         1750.000   1.000  -10.142  -90.00   -0.442    37.69  -52.306
         2000.000   1.000   -9.713  -90.00   -0.491    90.00    0.000
         2250.000   1.000  -10.142  -90.00   -0.442   142.31   52.306
         2500.000   1.000  -10.159  -90.00   -0.440   159.80   69.798
         2750.000   1.000   -9.712  -90.00   -0.491   107.92   17.919
         3000.000   1.000  -10.148  -90.00   -0.441    57.06  -32.937
         3250.000   1.000  -10.089  -90.00   -0.448     2.22  -87.780
         3500.000   1.000   -9.823  -90.00   -0.478    39.51  -50.494
         3750.000   1.000  -12.879  -90.00   -0.230    67.53  -22.466
         4000.000   1.000  -90.000  -90.00    0.000    90.00    0.000
      ------------------------------------------------------------------------
        Output Data stored in User filename: dims.txt            
)REPORT";

}  // namespace quill::golden
