"""Runs the checks that the listed Wine limits still hold."""

from wine_limits import WineLimitsStillHold  # noqa: F401
