# Sourced by the test script: starts and stops the services that tests need.
start_services() { :; }
stop_services() { :; }
