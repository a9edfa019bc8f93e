# Host constants of the outside services. Their defaults point at the local
# service simulator (lumo-sim) on its default ports; a release build sets the
# real hosts here. LUMO_SERVICES may override them at run time.
set(LUMO_SIM_BASE_PORT 17000 CACHE STRING "First port of the service simulator")
