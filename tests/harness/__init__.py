"""The end-to-end harness: display servers, programs natively or under Wine, input, screens and
expected frames, shared by every test that starts a real program. It imports the build's copy of
the segment files and modes (dravik_constants): run with PYTHONPATH=tests:build/PRESET/python,
as ctest and the scripts do."""
