"""N-section TEM coupled-line directional couplers: the quillomate engine for scripts.

Type stub of the compiled module. Every length, frequency and impedance
names its unit: _mhz (MHz), _ohm (ohms), _db (dB), _in (a design's and its
strips' lengths, inches), _m (a board's and the copper's, metres),
_db_per_in (losses). Velocities are fractions of the speed of light in
vacuum. The older spellings without a unit (flow=, zo=, b=, zoe, ...) are
still accepted. Ports: 1 input, 2 coupled, 3 isolated, 4 through.
"""

import os
from typing import Callable, Literal, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

_Path = Union[str, "os.PathLike[str]"]
_Float32Array = npt.NDArray[np.float32]
_Float64Array = npt.NDArray[np.float64]
_Complex64Array = npt.NDArray[np.complex64]
_Complex128Array = npt.NDArray[np.complex128]

class NoDesign(Exception):
    """No design covers the band; str() is the command line's message."""

    best_ripple_db: Optional[float]
    """The ripple the largest section count reaches over the band, dB (None when the tables declined)."""
    sections: int
    """That largest section count."""

class LengthWarning(UserWarning):
    """A coupler longer than a metre or so: most often a band meant in GHz given in MHz."""

class Section:
    """One coupled section, at the design's centre frequency."""

    zoe_ohm: float
    """Even-mode impedance, ohms (above 0)."""
    zoo_ohm: float
    """Odd-mode impedance, ohms (above 0)."""
    length_in: float
    """Physical length, inches (above 0)."""
    velocity_even: Optional[float]
    """Even-mode phase velocity, a fraction of the speed of light in vacuum (above 0, at most 1); None: c / sqrt(Er)."""
    velocity_odd: Optional[float]
    """Odd-mode phase velocity, a fraction of the speed of light in vacuum (above 0, at most 1); None: c / sqrt(Er)."""
    loss_even_db_per_in: float
    """Even-mode conductor loss at the centre frequency, dB per inch (at least 0)."""
    loss_odd_db_per_in: float
    """Odd-mode conductor loss at the centre frequency, dB per inch (at least 0)."""
    dielectric_loss_even_db_per_in: float
    """Even-mode dielectric loss at the centre frequency, dB per inch (at least 0)."""
    dielectric_loss_odd_db_per_in: float
    """Odd-mode dielectric loss at the centre frequency, dB per inch (at least 0)."""
    zoe: float
    """Older spelling of zoe_ohm."""
    zoo: float
    """Older spelling of zoo_ohm."""
    def __init__(
        self,
        zoe_ohm: float,
        zoo_ohm: float,
        length_in: float,
        *,
        velocity_even: Optional[float] = None,
        velocity_odd: Optional[float] = None,
        loss_even_db_per_in: float = 0.0,
        loss_odd_db_per_in: float = 0.0,
        dielectric_loss_even_db_per_in: float = 0.0,
        dielectric_loss_odd_db_per_in: float = 0.0,
    ) -> None:
        """Older spellings zoe= and zoo= are accepted; a value out of range raises ValueError."""
    @property
    def coupling_db(self) -> float:
        """The section's coupling, dB, as the report shows it."""

class Layer:
    """One dielectric layer of a board, from the lower ground plane up."""

    @property
    def thickness_m(self) -> float:
        """Thickness, metres."""
    @property
    def er(self) -> float:
        """Relative permittivity (dimensionless)."""
    @property
    def tan_delta(self) -> float:
        """Loss tangent (dimensionless)."""
    @property
    def strips(self) -> bool: ...

class Stackup:
    """A board read from a stack-up file; lengths in metres."""

    @property
    def name(self) -> str: ...
    @property
    def unit(self) -> str:
        """The unit the file gave its lengths in."""
    @property
    def layers(self) -> list[Layer]: ...
    @property
    def strips_layer(self) -> int: ...
    @property
    def copper_thickness_m(self) -> float:
        """Thickness of the strips, metres; 0 for ideal sheets."""
    @property
    def conductivity_s_per_m(self) -> float:
        """Conductivity of the strips and ground planes, siemens per metre."""
    @property
    def conductivity(self) -> float:
        """Older spelling of conductivity_s_per_m."""
    @property
    def step_delays(self) -> dict[str, float] | None:
        """The file's [step_delays] (end_even, end_odd, junction_even,
        junction_odd); None when it gives none and the calibrated ones apply."""
    @property
    def b_m(self) -> float:
        """Ground-plane spacing B, metres."""
    @property
    def s_m(self) -> float:
        """Strip spacing S, metres."""

class Analysis:
    """A design's response at a list of frequencies."""

    @property
    def frequencies_mhz(self) -> _Float32Array:
        """The frequencies, MHz."""
    @property
    def s(self) -> _Complex64Array:
        """(n, 4, 4): s[k, i, j] leaves port i+1 for a unit wave into port j+1."""
    @property
    def design(self) -> Design: ...
    @property
    def zo_ohm(self) -> float:
        """Reference impedance of s, ohms."""
    @property
    def zo(self) -> float:
        """Older spelling of zo_ohm."""
    @property
    def s11_db(self) -> _Float32Array: ...
    @property
    def phase_deg(self) -> _Float32Array:
        """(n, 4): phases of S11, S21, S31, S41, degrees."""
    @property
    def coupled_db(self) -> _Float32Array: ...
    @property
    def isolated_db(self) -> _Float32Array: ...
    @property
    def through_db(self) -> _Float32Array: ...
    @property
    def vswr(self) -> _Float32Array: ...
    @property
    def quadrature_deg(self) -> _Float32Array: ...
    @property
    def quadrature_error_deg(self) -> _Float32Array: ...
    def network(self, name: Optional[str] = None) -> "skrf.Network":  # type: ignore[name-defined]  # noqa: F821
        """The response as a scikit-rf Network; ImportError without scikit-rf."""
    def __len__(self) -> int: ...

class ClosedFormStrips:
    """One section's closed-form strips, inches."""

    @property
    def section(self) -> int: ...
    @property
    def tight_width_in(self) -> float: ...
    @property
    def tight_offset_in(self) -> float: ...
    @property
    def loose_width_in(self) -> float: ...
    @property
    def loose_offset_in(self) -> float: ...

class ClosedFormCheck:
    """A closed-form geometry and what the field solver finds for it."""

    @property
    def width_in(self) -> float: ...
    @property
    def offset_in(self) -> float: ...
    @property
    def zoe_ohm(self) -> float:
        """Field-solved even-mode impedance, ohms."""
    @property
    def zoo_ohm(self) -> float:
        """Field-solved odd-mode impedance, ohms."""
    @property
    def zoe(self) -> float:
        """Older spelling of zoe_ohm."""
    @property
    def zoo(self) -> float:
        """Older spelling of zoo_ohm."""
    @property
    def zoe_error_pct(self) -> float: ...
    @property
    def zoo_error_pct(self) -> float: ...

class FieldStrips:
    """One section's field-solved strips, inches and ohms."""

    @property
    def section(self) -> int: ...
    @property
    def zoe_ohm(self) -> float:
        """Wanted even-mode impedance, ohms."""
    @property
    def zoo_ohm(self) -> float:
        """Wanted odd-mode impedance, ohms."""
    @property
    def outcome(self) -> Literal["offset", "superposed", "none"]: ...
    @property
    def found(self) -> bool: ...
    @property
    def width_in(self) -> float: ...
    @property
    def offset_in(self) -> float: ...
    @property
    def zoe_field_ohm(self) -> float:
        """Field-solved even-mode impedance of that geometry, ohms."""
    @property
    def zoo_field_ohm(self) -> float:
        """Field-solved odd-mode impedance of that geometry, ohms."""
    @property
    def zoe(self) -> float:
        """Older spelling of zoe_ohm."""
    @property
    def zoo(self) -> float:
        """Older spelling of zoo_ohm."""
    @property
    def zoe_field(self) -> float:
        """Older spelling of zoe_field_ohm."""
    @property
    def zoo_field(self) -> float:
        """Older spelling of zoo_field_ohm."""
    @property
    def residual(self) -> float:
        """Larger relative error of the two impedances."""
    @property
    def largest_s_in(self) -> float: ...
    @property
    def note(self) -> str: ...
    @property
    def tight(self) -> ClosedFormCheck: ...
    @property
    def loose(self) -> ClosedFormCheck: ...
    @property
    def iterations(self) -> int: ...
    @property
    def evaluations(self) -> int: ...

class PlainStrip:
    """The field-solved single strip of impedance Zo."""

    @property
    def zo_ohm(self) -> float:
        """Wanted impedance Zo, ohms."""
    @property
    def zo(self) -> float:
        """Older spelling of zo_ohm."""
    @property
    def found(self) -> bool: ...
    @property
    def width_in(self) -> float: ...
    @property
    def z_field_ohm(self) -> float:
        """Field-solved impedance of that width, ohms."""
    @property
    def z_field(self) -> float:
        """Older spelling of z_field_ohm."""
    @property
    def closed_form_width_in(self) -> float: ...
    @property
    def closed_form_error_pct(self) -> float: ...
    @property
    def note(self) -> str: ...

class BoardStrips:
    """One section's strips in a board, inches and ohms."""

    @property
    def section(self) -> int: ...
    @property
    def zoe_ohm(self) -> float:
        """Wanted even-mode impedance, ohms."""
    @property
    def zoo_ohm(self) -> float:
        """Wanted odd-mode impedance, ohms."""
    @property
    def zoe(self) -> float:
        """Older spelling of zoe_ohm."""
    @property
    def zoo(self) -> float:
        """Older spelling of zoo_ohm."""
    @property
    def built(self) -> bool: ...
    @property
    def width_in(self) -> float: ...
    @property
    def offset_in(self) -> float: ...
    @property
    def zoe_field_ohm(self) -> float:
        """The board's even-mode impedance of those strips, ohms."""
    @property
    def zoo_field_ohm(self) -> float:
        """The board's odd-mode impedance of those strips, ohms."""
    @property
    def zoe_field(self) -> float:
        """Older spelling of zoe_field_ohm."""
    @property
    def zoo_field(self) -> float:
        """Older spelling of zoo_field_ohm."""
    @property
    def largest_s_in(self) -> float: ...
    @property
    def centre_mhz(self) -> float: ...
    @property
    def eeff_even(self) -> float:
        """Even-mode effective relative permittivity (dimensionless)."""
    @property
    def eeff_odd(self) -> float:
        """Odd-mode effective relative permittivity (dimensionless)."""
    @property
    def velocity_ratio(self) -> float:
        """Even-mode phase velocity over the odd mode's (dimensionless)."""
    @property
    def conductor_loss_even_db_per_in(self) -> float: ...
    @property
    def conductor_loss_odd_db_per_in(self) -> float: ...
    @property
    def dielectric_loss_even_db_per_in(self) -> float: ...
    @property
    def dielectric_loss_odd_db_per_in(self) -> float: ...
    @property
    def length_in(self) -> float: ...
    @property
    def asymmetry(self) -> float: ...
    @property
    def note(self) -> str: ...

class Dimensions:
    """A design's strips: closed-form, and field-solved or in a board."""

    @property
    def b_in(self) -> float: ...
    @property
    def s_in(self) -> float: ...
    @property
    def centre(self) -> Literal["offset", "overlap"]: ...
    @property
    def closed_form(self) -> list[ClosedFormStrips]: ...
    @property
    def zo_strip_width_in(self) -> float | None: ...
    @property
    def feed_widths_m(self) -> tuple[float, float] | None: ...
    @property
    def length_m(self) -> float | None: ...
    @property
    def max_frequency_mhz(self) -> float: ...
    @property
    def field_solved(self) -> Optional[list[FieldStrips]]: ...
    @property
    def plain_strip(self) -> Optional[PlainStrip]: ...
    @property
    def board(self) -> Optional[list[BoardStrips]]: ...
    @property
    def stackup(self) -> Optional[Stackup]: ...
    def to_csv(self) -> str:
        """The text `quillomate dimensions --field-solve --csv` (or --stackup --csv) writes."""

class SectionCopper:
    """One section's two rectangles, metres."""

    @property
    def section(self) -> int: ...
    @property
    def x0_m(self) -> float: ...
    @property
    def x1_m(self) -> float: ...
    @property
    def upper_y0_m(self) -> float: ...
    @property
    def upper_y1_m(self) -> float: ...
    @property
    def lower_y0_m(self) -> float: ...
    @property
    def lower_y1_m(self) -> float: ...
    @property
    def width_m(self) -> float: ...
    @property
    def offset_m(self) -> float: ...

class Port:
    """The end of a port's feed, metres."""

    @property
    def number(self) -> int: ...
    @property
    def x_m(self) -> float: ...
    @property
    def y_m(self) -> float: ...
    @property
    def upper(self) -> bool: ...
    @property
    def width_m(self) -> float: ...
    @property
    def leaves(self) -> Literal["left", "right"]: ...

class Breakouts:
    """How the strips part at the coupler's ends, metres and dB."""

    @property
    def feed_width_upper_m(self) -> float: ...
    @property
    def feed_width_lower_m(self) -> float: ...
    @property
    def port_spacing_m(self) -> float: ...
    @property
    def length_m(self) -> float: ...
    @property
    def lead_m(self) -> float: ...
    @property
    def feed_coupling_db(self) -> float: ...
    @property
    def breakout_coupling_db(self) -> float: ...
    @property
    def breakout_coupling_max_db(self) -> float: ...
    @property
    def spacing_given(self) -> bool: ...
    @property
    def length_given(self) -> bool: ...
    @property
    def shortened_first_m(self) -> float: ...
    @property
    def shortened_last_m(self) -> float: ...
    @property
    def bend_radius_m(self) -> float: ...

class Junction:
    """What joins two neighbouring sections' straight copper, metres."""

    @property
    def left(self) -> int: ...
    @property
    def right(self) -> int: ...
    @property
    def shape(self) -> Literal["step", "taper", "jog"]: ...
    @property
    def x0_m(self) -> float: ...
    @property
    def x1_m(self) -> float: ...
    @property
    def centre0_m(self) -> float: ...
    @property
    def centre1_m(self) -> float: ...
    @property
    def path_m(self) -> float: ...
    @property
    def width_m(self) -> float: ...

class Layout:
    """A design as copper in a board, metres: x along the coupler, y across."""

    @property
    def sections(self) -> list[SectionCopper]: ...
    @property
    def ports(self) -> list[Port]: ...
    @property
    def breakouts(self) -> Breakouts: ...
    @property
    def junctions(self) -> list[Junction]: ...
    @property
    def upper_outline_m(self) -> _Float64Array:
        """(n, 2): the upper strip's copper outline, x and y in metres."""
    @property
    def lower_outline_m(self) -> _Float64Array: ...
    @property
    def board_outline_m(self) -> _Float64Array: ...
    @property
    def trims_m(self) -> list[float]:
        """What compensation added to each section's straight copper, metres (empty: none)."""
    @property
    def coupler_length_m(self) -> float: ...
    @property
    def notes(self) -> list[str]: ...
    @property
    def stackup(self) -> Stackup: ...
    @property
    def design(self) -> Design: ...
    def copper_s(self, frequencies_mhz: Optional[npt.ArrayLike] = None) -> _Complex128Array:
        """(n, 4, 4): the circuit model of the copper as laid out (analyse --discontinuities)."""
    def summary(self, inches: bool = False) -> str:
        """The text `quillomate layout` prints (mm, or inches)."""
    def write(
        self,
        *,
        gerber: Optional[_Path] = None,
        dxf: Optional[_Path] = None,
        svg: Optional[_Path] = None,
        kicad: Optional[_Path] = None,
        inches: bool = False,
    ) -> None:
        """The artwork files, all or nothing, as `quillomate layout` writes them."""
    def fullwave(
        self,
        folder: _Path,
        *,
        frequencies_mhz: Optional[npt.ArrayLike] = None,
        mesh: Literal["coarse", "normal", "fine"] = "normal",
        side_walls: float = 3.0,
        port_feed: float = 4.0,
        all_ports: bool = False,
    ) -> FullwaveModel:
        """The openEMS model folder, as `quillomate fullwave --out` writes it; side_walls and port_feed in ground-plane spacings."""

class FullwaveModel:
    """A full-wave model folder of a layout, ready to run."""

    @property
    def folder(self) -> str: ...
    @property
    def ports_driven(self) -> list[int]: ...
    @property
    def mirror_symmetric(self) -> bool: ...
    @property
    def mirror_stacked(self) -> bool: ...
    @property
    def frequencies_mhz(self) -> _Float64Array: ...
    @property
    def grid_lines(self) -> Tuple[int, int, int]: ...
    @property
    def cells(self) -> int: ...
    @property
    def mesh(self) -> str: ...
    def run(
        self, *, threads: Optional[int] = None, progress: Optional[Callable[[int, int, float], object]] = None
    ) -> FullwaveResult:
        """Runs openEMS on every driven port's model and reads the result."""
    def read(self) -> FullwaveResult:
        """The result from the probes already in the folder."""

class FullwaveResult:
    """The full-wave matrix beside the circuit model of the same copper."""

    @property
    def frequencies_mhz(self) -> _Float64Array: ...
    @property
    def s(self) -> _Complex128Array: ...
    @property
    def circuit_s(self) -> _Complex128Array: ...
    @property
    def copper_s(self) -> _Complex128Array: ...
    @property
    def zo_ohm(self) -> float: ...
    @property
    def copper_directivity_db(self) -> float: ...
    @property
    def copper_coupling_deviation_db(self) -> float: ...
    @property
    def coupling_deviation_db(self) -> float: ...
    @property
    def coupling_lo_db(self) -> float: ...
    @property
    def coupling_hi_db(self) -> float: ...
    @property
    def directivity_db(self) -> float: ...
    @property
    def circuit_directivity_db(self) -> float: ...
    @property
    def isolation_db(self) -> float: ...
    @property
    def circuit_isolation_db(self) -> float: ...
    @property
    def return_loss_db(self) -> float: ...
    @property
    def circuit_return_loss_db(self) -> float: ...
    @property
    def quadrature_error_deg(self) -> float: ...
    @property
    def circuit_quadrature_error_deg(self) -> float: ...
    @property
    def coupling_at_centre_db(self) -> float: ...
    @property
    def circuit_coupling_at_centre_db(self) -> float: ...
    def network(self, name: Optional[str] = None) -> "skrf.Network":  # type: ignore[name-defined]  # noqa: F821
        """The full-wave response as a scikit-rf Network."""
    def circuit_network(self, name: Optional[str] = None) -> "skrf.Network":  # type: ignore[name-defined]  # noqa: F821
        """The circuit model's response as a scikit-rf Network."""
    def summary(self) -> str: ...
    def write(self, folder: Optional[_Path] = None) -> None:
        """fullwave.s4p, compare.csv and compare.svg, all or nothing."""

class Design:
    """A coupler design: its sections, Zo, Er and centre frequency."""

    def __init__(
        self, sections: Sequence[Section], *, centre_mhz: float, zo_ohm: float = 50.0, er: float = 1.0
    ) -> None:
        """The older spelling zo= is accepted."""
    @property
    def zo_ohm(self) -> float:
        """System impedance Zo, ohms."""
    @property
    def zo(self) -> float:
        """Older spelling of zo_ohm."""
    @property
    def er(self) -> float:
        """Relative dielectric constant (dimensionless)."""
    @property
    def centre_mhz(self) -> float: ...
    @property
    def length_in(self) -> float:
        """The sections' lengths added, inches."""
    @property
    def sections(self) -> list[Section]: ...
    @property
    def origin(self) -> Literal["synthesised", "file", "sections", "analysed"]: ...
    @property
    def form(self) -> Optional[Literal["symmetrical", "asymmetrical"]]: ...
    @property
    def band_mhz(self) -> Optional[Tuple[float, float]]: ...
    @property
    def coupling_db(self) -> Optional[float]: ...
    @property
    def ripple_db(self) -> Optional[float]: ...
    @property
    def from_tables(self) -> Optional[bool]: ...
    @property
    def engine_instead(self) -> Optional[str]: ...
    @property
    def sweep_mhz(self) -> Optional[Tuple[float, float, float]]: ...
    @property
    def b_in(self) -> Optional[float]: ...
    @property
    def s_in(self) -> Optional[float]: ...
    @property
    def title(self) -> str: ...
    def __len__(self) -> int: ...
    def analyse(
        self,
        frequencies_mhz: npt.ArrayLike,
        *,
        velocity_ratio: Optional[float] = None,
        loss_db_per_in: Optional[float] = None,
        stackup: Union[Stackup, _Path, None] = None,
    ) -> Analysis:
        """The older spelling loss= is accepted."""
    def dimensions(
        self,
        b_in: Optional[float] = None,
        s_in: Optional[float] = None,
        *,
        centre: Literal["offset", "overlap"] = "offset",
        field_solve: bool = False,
        stackup: Union[Stackup, _Path, None] = None,
    ) -> Dimensions:
        """The older spellings b= and s= are accepted."""
    def layout(
        self,
        stackup: Union[Stackup, _Path],
        *,
        breakout_length_m: Optional[float] = None,
        port_spacing_m: Optional[float] = None,
        compensate: bool = False,
        taper_length: Optional[float] = None,
    ) -> Layout: ...
    def write(self, path: _Path) -> None: ...

def synthesize(
    form: Literal["symmetrical", "asymmetrical"],
    flow_mhz: float,
    fhigh_mhz: float,
    coupling_db: float,
    ripple_db: float,
    *,
    sections: Optional[int] = None,
    flat_tolerance_db: float = 0.1,
    zo_ohm: float = 50.0,
    er: float = 2.2,
    equal_ripple: bool = False,
    tables: bool = False,
    b_in: float = 0.25,
    s_in: float = 0.05,
) -> Design:
    """The older spellings flow=, fhigh=, coupling=, ripple=, flat_tolerance=, zo=, b= and s= are accepted."""

def read_design(path: _Path) -> Design: ...
def read_stackup(path: _Path) -> Stackup: ...
def sweep(start_mhz: float, stop_mhz: float, step_mhz: float) -> _Float32Array:
    """The older spellings start=, stop= and step= are accepted."""
