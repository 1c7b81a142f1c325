"""The end-to-end harness: display servers, programs natively or under Wine, input, screens and
expected frames, shared by every test that starts a real program."""
