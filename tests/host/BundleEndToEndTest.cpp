// End-to-end tests of the bundle.
