qv_e2e(e2e_launcher launcher_test.sh)
qv_e2e(e2e_boxwatch boxwatch_test.sh)
qv_e2e(e2e_startup startup_test.sh quorvel_bin)
qv_e2e(e2e_readme_run readme_run_test.sh quorvel_bin)
